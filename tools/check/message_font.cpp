#include "tools/check/message_font.h"

int CFixedMessageFont::NameWidth(const std::wstring& name) const {
    int units = 0;
    for (const wchar_t ch : name) units += CharacterUnits(ch);
    return units * metrics_.averageCharWidth;
}
