// Conversions between code page 932 and UTF-8.
#include "CodePage.h"

#include <windows.h>

namespace standin {

namespace {

constexpr UINT kJapanese = 932;

std::wstring Wide(UINT codePage, DWORD flags, const std::string& text, bool* ok)
{
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    *ok = length > 0 || text.empty();
    wide.resize(length > 0 ? length : 0);
    return wide;
}

}  // namespace

std::string WideToUtf8(const std::wstring& wide)
{
    std::string utf8(wide.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

bool WideToCp932(const std::wstring& wide, std::string* cp932)
{
    cp932->assign(wide.size() * 2, '\0');
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(kJapanese, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           &(*cp932)[0], static_cast<int>(cp932->size()), nullptr, &lossy);
    cp932->resize(length > 0 ? length : 0);
    return !lossy && (length > 0 || wide.empty());
}

std::string Cp932ToUtf8(const std::string& cp932)
{
    bool ok = false;
    return WideToUtf8(Wide(kJapanese, 0, cp932, &ok));
}

bool Utf8ToCp932(const std::string& utf8, std::string* cp932)
{
    bool ok = false;
    const std::wstring wide = Wide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &ok);
    return ok && WideToCp932(wide, cp932);
}

}  // namespace standin
