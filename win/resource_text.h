#pragma once
// The program's texts and dialog templates in one chosen language. Every resource kind that
// has words in it comes in each language the program speaks; the language is set once at
// start-up and each lookup names it, so the choice holds whatever the thread's own language is.
#include <windows.h>

#include <initializer_list>
#include <string>

// The language lookups ask for; until set, the system's user-interface language.
void SetResourceLanguage(LANGID language);
LANGID ResourceLanguage();

// The string id in the chosen language, or in whichever language has it when that one has not.
std::wstring LoadText(UINT id);
// The same string in the given language only: empty when that language has none.
std::wstring LoadTextIn(UINT id, LANGID language);

// The text of id with "%1", "%2"... replaced by the arguments in order; "%%" is one "%".
std::wstring FormatText(UINT id, std::initializer_list<std::wstring> args);
std::wstring ReplaceArgs(const std::wstring& pattern, std::initializer_list<std::wstring> args);

// The dialog template id in the chosen language (another language's when that one has none);
// null when there is none at all. Resource memory: valid for the life of the module.
const DLGTEMPLATE* FindDialogTemplate(UINT id);
