#include "console/dev_console.h"

void Print(DevConsole& console, const std::wstring& text)
{
    size_t start = 0;
    for (size_t lineBreak = text.find(L'\n'); lineBreak != std::wstring::npos;
         lineBreak = text.find(L'\n', start)) {
        console.pendingLine.append(text, start, lineBreak - start);
        console.lines.push_back(std::move(console.pendingLine));
        console.pendingLine.clear();
        start = lineBreak + 1;
    }
    console.pendingLine.append(text, start, std::wstring::npos);
}
