#include "input/key_names.h"

namespace {

// Name of each virtual-key code, indexed by the code; nullptr where the code
// has no name.
constexpr const char* kVirtualKeyNames[256] = {
    nullptr,                // 0x00
    "Left Mouse Button",    // 0x01
    "Right Mouse Button",   // 0x02
    "Control-break",        // 0x03
    "Middle Mouse Button",  // 0x04
    "X1 Mouse Button",      // 0x05
    "X2 Mouse Button",      // 0x06
    nullptr,                // 0x07
    "Backspace",            // 0x08
    "Tab",                  // 0x09
    nullptr,                // 0x0A
    nullptr,                // 0x0B
    "Clear",                // 0x0C
    "Enter",                // 0x0D
    nullptr,                // 0x0E
    nullptr,                // 0x0F
    nullptr,                // 0x10
    nullptr,                // 0x11
    nullptr,                // 0x12
    "Pause",                // 0x13
    "Caps Lock",            // 0x14
    "Kana",                 // 0x15
    nullptr,                // 0x16
    "Junja",                // 0x17
    "Final",                // 0x18
    "Kanji",                // 0x19
    nullptr,                // 0x1A
    "Esc",                  // 0x1B
    "Convert",              // 0x1C
    "Non Convert",          // 0x1D
    "Accept",               // 0x1E
    "Mode Change",          // 0x1F
    "Space",                // 0x20
    "Page Up",              // 0x21
    "Page Down",            // 0x22
    "End",                  // 0x23
    "Home",                 // 0x24
    "Left",                 // 0x25
    "Up",                   // 0x26
    "Right",                // 0x27
    "Down",                 // 0x28
    "Select",               // 0x29
    "Print",                // 0x2A
    "Execute",              // 0x2B
    "Print Screen",         // 0x2C
    "Insert",               // 0x2D
    "Delete",               // 0x2E
    "Help",                 // 0x2F
    "0",                    // 0x30
    "1",                    // 0x31
    "2",                    // 0x32
    "3",                    // 0x33
    "4",                    // 0x34
    "5",                    // 0x35
    "6",                    // 0x36
    "7",                    // 0x37
    "8",                    // 0x38
    "9",                    // 0x39
    nullptr,                // 0x3A
    nullptr,                // 0x3B
    nullptr,                // 0x3C
    nullptr,                // 0x3D
    nullptr,                // 0x3E
    nullptr,                // 0x3F
    nullptr,                // 0x40
    "A",                    // 0x41
    "B",                    // 0x42
    "C",                    // 0x43
    "D",                    // 0x44
    "E",                    // 0x45
    "F",                    // 0x46
    "G",                    // 0x47
    "H",                    // 0x48
    "I",                    // 0x49
    "J",                    // 0x4A
    "K",                    // 0x4B
    "L",                    // 0x4C
    "M",                    // 0x4D
    "N",                    // 0x4E
    "O",                    // 0x4F
    "P",                    // 0x50
    "Q",                    // 0x51
    "R",                    // 0x52
    "S",                    // 0x53
    "T",                    // 0x54
    "U",                    // 0x55
    "V",                    // 0x56
    "W",                    // 0x57
    "X",                    // 0x58
    "Y",                    // 0x59
    "Z",                    // 0x5A
    "Left Win",             // 0x5B
    "Right Win",            // 0x5C
    "Context",              // 0x5D
    nullptr,                // 0x5E
    "Sleep",                // 0x5F
    "Numpad 0",             // 0x60
    "Numpad 1",             // 0x61
    "Numpad 2",             // 0x62
    "Numpad 3",             // 0x63
    "Numpad 4",             // 0x64
    "Numpad 5",             // 0x65
    "Numpad 6",             // 0x66
    "Numpad 7",             // 0x67
    "Numpad 8",             // 0x68
    "Numpad 9",             // 0x69
    "Numpad *",             // 0x6A
    "Numpad +",             // 0x6B
    "Separator",            // 0x6C
    "Numpad -",             // 0x6D
    "Numpad .",             // 0x6E
    "Numpad /",             // 0x6F
    "F1",                   // 0x70
    "F2",                   // 0x71
    "F3",                   // 0x72
    "F4",                   // 0x73
    "F5",                   // 0x74
    "F6",                   // 0x75
    "F7",                   // 0x76
    "F8",                   // 0x77
    "F9",                   // 0x78
    "F10",                  // 0x79
    "F11",                  // 0x7A
    "F12",                  // 0x7B
    "F13",                  // 0x7C
    "F14",                  // 0x7D
    "F15",                  // 0x7E
    "F16",                  // 0x7F
    "F17",                  // 0x80
    "F18",                  // 0x81
    "F19",                  // 0x82
    "F20",                  // 0x83
    "F21",                  // 0x84
    "F22",                  // 0x85
    "F23",                  // 0x86
    "F24",                  // 0x87
    nullptr,                // 0x88
    nullptr,                // 0x89
    nullptr,                // 0x8A
    nullptr,                // 0x8B
    nullptr,                // 0x8C
    nullptr,                // 0x8D
    nullptr,                // 0x8E
    nullptr,                // 0x8F
    "Num Lock",             // 0x90
    "Scroll Lock",          // 0x91
    "Jisho",                // 0x92
    "Mashu",                // 0x93
    "Touroku",              // 0x94
    "Loya",                 // 0x95
    "Roya",                 // 0x96
    nullptr,                // 0x97
    nullptr,                // 0x98
    nullptr,                // 0x99
    nullptr,                // 0x9A
    nullptr,                // 0x9B
    nullptr,                // 0x9C
    nullptr,                // 0x9D
    nullptr,                // 0x9E
    nullptr,                // 0x9F
    "Left Shift",           // 0xA0
    "Right Shift",          // 0xA1
    "Left Ctrl",            // 0xA2
    "Right Ctrl",           // 0xA3
    "Left Alt",             // 0xA4
    "Right Alt",            // 0xA5
    "Browser Back",         // 0xA6
    "Browser Forward",      // 0xA7
    "Browser Refresh",      // 0xA8
    "Browser Stop",         // 0xA9
    "Browser Search",       // 0xAA
    "Browser Favorites",    // 0xAB
    "Browser Home",         // 0xAC
    "Volume Mute",          // 0xAD
    "Volume Down",          // 0xAE
    "Volume Up",            // 0xAF
    "Next Track",           // 0xB0
    "Previous Track",       // 0xB1
    "Stop",                 // 0xB2
    "Play / Pause",         // 0xB3
    "Mail",                 // 0xB4
    "Media",                // 0xB5
    "App 1",                // 0xB6
    "App 2",                // 0xB7
    nullptr,                // 0xB8
    nullptr,                // 0xB9
    "OEM1 (:;)",            // 0xBA
    "Plus (+=)",            // 0xBB
    "Comma (<,)",           // 0xBC
    "Minus (_-)",           // 0xBD
    "Period (>.)",          // 0xBE
    "OEM2 (?/)",            // 0xBF
    "OEM3 (~`)",            // 0xC0
    "Abnt C1",              // 0xC1
    "Abnt C2",              // 0xC2
    nullptr,                // 0xC3
    nullptr,                // 0xC4
    nullptr,                // 0xC5
    nullptr,                // 0xC6
    nullptr,                // 0xC7
    nullptr,                // 0xC8
    nullptr,                // 0xC9
    nullptr,                // 0xCA
    nullptr,                // 0xCB
    nullptr,                // 0xCC
    nullptr,                // 0xCD
    nullptr,                // 0xCE
    nullptr,                // 0xCF
    nullptr,                // 0xD0
    nullptr,                // 0xD1
    nullptr,                // 0xD2
    nullptr,                // 0xD3
    nullptr,                // 0xD4
    nullptr,                // 0xD5
    nullptr,                // 0xD6
    nullptr,                // 0xD7
    nullptr,                // 0xD8
    nullptr,                // 0xD9
    nullptr,                // 0xDA
    "OEM4 ({[)",            // 0xDB
    "OEM5 (|)",             // 0xDC
    "OEM6 (}])",            // 0xDD
    "OEM7 (\"')",           // 0xDE
    "OEM8 (\xA7"
    "!)",           // 0xDF
    nullptr,        // 0xE0
    "Ax",           // 0xE1
    "OEM102 (><)",  // 0xE2
    "IcoHlp",       // 0xE3
    "Ico00",        // 0xE4
    "Process",      // 0xE5
    "IcoClr",       // 0xE6
    "Packet",       // 0xE7
    nullptr,        // 0xE8
    "Reset",        // 0xE9
    "Jump",         // 0xEA
    "OemPa1",       // 0xEB
    "OemPa2",       // 0xEC
    "OemPa3",       // 0xED
    "WsCtrl",       // 0xEE
    "Cu Sel",       // 0xEF
    "OemAttn",      // 0xF0
    "Finish",       // 0xF1
    "Copy",         // 0xF2
    "Auto",         // 0xF3
    "Enlw",         // 0xF4
    "Back Tab",     // 0xF5
    "Attn",         // 0xF6
    "Cr Sel",       // 0xF7
    "Ex Sel",       // 0xF8
    "Er Eof",       // 0xF9
    "Play",         // 0xFA
    "Zoom",         // 0xFB
    "NoName",       // 0xFC
    "Pa1",          // 0xFD
    "OemClr",       // 0xFE
    "N/A",          // 0xFF
};

}  // namespace

std::string VirtualKeyName(uint32_t code)
{
    if (code >= 256 || kVirtualKeyNames[code] == nullptr) {
        return "???";
    }
    return kVirtualKeyNames[code];
}
