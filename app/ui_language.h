#pragma once
// Which language the interface speaks: Chinese on a Chinese system, English on any other,
// unless the "Language" key of the configuration says "zh" or "en" ("auto", the default,
// follows the system).
#include <windows.h>

#include <string>

enum UiLanguageSetting { LanguageAuto = 0, LanguageChinese = 1, LanguageEnglish = 2, kLanguageSettingCount = 3 };

constexpr LANGID kChineseLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr LANGID kEnglishLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The stored word ("auto", "zh", "en", any case); anything else is "auto".
UiLanguageSetting LanguageSettingFromText(const std::wstring& text);
const wchar_t* LanguageSettingText(UiLanguageSetting setting);

// The resource language for a setting on a system whose interface language is systemLanguage.
LANGID ChooseUiLanguage(UiLanguageSetting setting, LANGID systemLanguage);

UiLanguageSetting ReadLanguageSetting();
bool WriteLanguageSetting(UiLanguageSetting setting);

// Reads the setting and makes its language the one every text and dialog is loaded in.
void ApplyLanguageSetting();
