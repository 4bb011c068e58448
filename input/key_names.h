// Display names of the virtual-key codes 1..255: one fixed table, read only.
// Codes without a name, 0, and values above 255 are "???". Names are 8-bit
// text; 0xDF carries the single byte 0xA7.
#pragma once

#include <cstdint>
#include <string>

std::string VirtualKeyName(uint32_t code);
