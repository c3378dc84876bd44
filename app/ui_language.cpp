#include "app/ui_language.h"

#include <cwctype>

#include "app/config_store.h"
#include "win/resource_text.h"

namespace {

const wchar_t kLanguageKey[] = L"Language";
const wchar_t* const kSettingWords[kLanguageSettingCount] = {L"auto", L"zh", L"en"};

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

UiLanguageSetting LanguageSettingFromText(const std::wstring& text)
{
    std::wstring word = Trimmed(text);
    for (wchar_t& c : word)
        c = static_cast<wchar_t>(std::towlower(c));
    for (int i = 0; i < kLanguageSettingCount; ++i)
        if (word == kSettingWords[i])
            return static_cast<UiLanguageSetting>(i);
    return LanguageAuto;
}

const wchar_t* LanguageSettingText(UiLanguageSetting setting)
{
    return setting >= 0 && setting < kLanguageSettingCount ? kSettingWords[setting] : kSettingWords[LanguageAuto];
}

LANGID ChooseUiLanguage(UiLanguageSetting setting, LANGID systemLanguage)
{
    switch (setting) {
    case LanguageChinese:
        return kChineseLanguage;
    case LanguageEnglish:
        return kEnglishLanguage;
    default:
        return PRIMARYLANGID(systemLanguage) == LANG_CHINESE ? kChineseLanguage : kEnglishLanguage;
    }
}

UiLanguageSetting ReadLanguageSetting()
{
    return LanguageSettingFromText(ReadConfigText(kLanguageKey));
}

bool WriteLanguageSetting(UiLanguageSetting setting)
{
    return WriteConfigText(kLanguageKey, LanguageSettingText(setting)) != 0;
}

void ApplyLanguageSetting()
{
    SetResourceLanguage(ChooseUiLanguage(ReadLanguageSetting(), ::GetUserDefaultUILanguage()));
}
