#include "Cp932Text.h"

#include <windows.h>

#include <cstring>

void CopyWholeCharacters(char* out, std::size_t room, const char* text)
{
    std::size_t used = 0;
    while (used + 1 < room && text[used] != '\0') {
        const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[used])) ? 2 : 1;
        if (used + width + 1 > room || (width == 2 && text[used + 1] == '\0'))
            break;
        used += width;
    }
    std::memmove(out, text, used);
    out[used] = '\0';
}
