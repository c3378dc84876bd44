#include "dialog_template.h"

namespace {

class Reader {
public:
    explicit Reader(const uint8_t* p) : m_p(p) {}
    uint16_t Word() { uint16_t v; memcpy(&v, m_p, 2); m_p += 2; return v; }
    uint32_t Dword() { uint32_t v; memcpy(&v, m_p, 4); m_p += 4; return v; }
    short Short() { return static_cast<short>(Word()); }
    uint8_t Byte() { return *m_p++; }
    std::wstring String()
    {
        std::wstring s;
        for (uint16_t c = Word(); c != 0; c = Word())
            s += static_cast<wchar_t>(c);
        return s;
    }
    // A name that is either a string or 0xFFFF followed by an ordinal.
    std::wstring NameOrOrdinal(bool isClass)
    {
        uint16_t first;
        memcpy(&first, m_p, 2);
        if (first == 0xFFFF) {
            m_p += 2;
            const uint16_t ordinal = Word();
            if (isClass) {
                switch (ordinal) {
                case 0x80: return L"Button";
                case 0x81: return L"Edit";
                case 0x82: return L"Static";
                case 0x83: return L"ListBox";
                case 0x84: return L"ScrollBar";
                case 0x85: return L"ComboBox";
                }
            }
            return L"#" + std::to_wstring(ordinal);
        }
        return String();
    }
    void AlignDword(const uint8_t* base)
    {
        while ((m_p - base) % 4)
            ++m_p;
    }
    void Skip(size_t n) { m_p += n; }

private:
    const uint8_t* m_p;
};

}  // namespace

DialogTemplate LoadDialogTemplate(int id, LANGID language)
{
    DialogTemplate t;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), language);  // RT_DIALOG
    if (!info)
        return t;
    const auto* base = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
    Reader r(base);
    if (r.Word() != 1 || r.Word() != 0xFFFF)
        return t;  // not an extended template
    r.Dword();     // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const int count = r.Word();
    t.x = r.Short();
    t.y = r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    r.NameOrOrdinal(false);  // menu
    r.NameOrOrdinal(false);  // class
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Word();
        r.Word();  // weight
        r.Byte();  // italic
        r.Byte();  // character set
        t.font = r.String();
    }
    for (int i = 0; i < count; ++i) {
        r.AlignDword(base);
        DialogItem item;
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = static_cast<int>(r.Dword());
        item.className = r.NameOrOrdinal(true);
        if (item.className == L"BUTTON")
            item.className = L"Button";  // class names are case-insensitive; compare one spelling
        else if (item.className == L"EDIT")
            item.className = L"Edit";
        else if (item.className == L"STATIC")
            item.className = L"Static";
        item.text = r.NameOrOrdinal(false);
        r.Skip(r.Word());  // creation data
        t.items.push_back(item);
    }
    t.valid = true;
    return t;
}
