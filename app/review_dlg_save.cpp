// The review window's saves with edits: into the recording's place or as a copy, written on a
// thread of the save's own while the window shows how far it got and can stop it.
#include "app/review_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/config_store.h"
#include "app/recording_settings.h"
#include "app/resource.h"
#include "app/size_limit.h"
#include "win/data_exchange.h"
#include "record/file_sink.h"
#include "win/message_box.h"
#include "win/resource_text.h"

namespace {

// The first "NAME-n.gif" beside the recording that does not exist yet.
std::wstring FreeCopyPath(const std::wstring& recording)
{
    for (int n = 2;; ++n) {
        std::wstring path = NumberedPath(recording, n);
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return path;
    }
}

// The standard save dialog, proposing `proposed`; empty when the user cancelled.
std::wstring AskCopyPath(HWND owner, const std::wstring& proposed)
{
    std::vector<wchar_t> name(proposed.begin(), proposed.end());
    name.resize(MAX_PATH * 4, L'\0');
    std::wstring filter = LoadText(IDS_EDIT_SAVE_AS_FILTER);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrDefExt = L"gif";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameW(&ofn))
        return std::wstring();
    return name.data();
}

}  // namespace

void CReviewDlg::OnSaveAs()
{
    SetPlaying(false);
    const std::wstring target = AskCopyPath(m_hWnd, FreeCopyPath(m_review.Path()));
    if (!target.empty())
        StartSave(target);
}

// "压缩到": the kept part, with the edits, in place of the recording at the highest quality
// that fits the size typed, which is remembered.
void CReviewDlg::OnFit()
{
    SetPlaying(false);
    wchar_t text[16] = L"";
    ::GetDlgItemTextW(m_hWnd, IDC_REVIEW_FIT_SIZE, text, 16);
    const int32_t megabytes = ParseLeadingInt(text);
    const SettingRow& row = SettingRowOf(&RecordingSettings::fitSizeMB);
    if (!InSettingRange(row, megabytes)) {
        ShowMessage(m_hWnd, LoadText(IDS_FIT_SIZE_RANGE).c_str());
        return;
    }
    WriteConfigInt(row.key, megabytes);
    StartSave(m_review.Path(), megabytes);
}

void CReviewDlg::StartSave(const std::wstring& target, int32_t fitMB)
{
    std::vector<PlannedFrame> plan = m_edits.Plan(m_first, m_last);
    std::wstring message;
    if (plan.empty()) {
        ShowMessage(m_hWnd, LoadText(IDS_EDIT_NOTHING_LEFT).c_str());
        return;
    }
    if (!m_review.CheckUnchanged(&message)) {
        ShowMessage(m_hWnd, message.c_str());
        return;
    }
    // Beside the target, so that putting it in place is a rename within one volume.
    m_saveTarget = target;
    m_fitMB = fitMB;
    m_save = std::make_unique<CEditedSave>(m_hWnd, kSaveMessage);
    m_save->Start(m_review.Path(), m_review.Info(), std::move(plan), m_edits.State().crop, target + L".trim",
                  static_cast<uint64_t>(SizeLimitBytes(fitMB)));
    ShowSaving(true, fitMB ? IDS_EDIT_FITTING : IDS_EDIT_SAVING);
}

void CReviewDlg::OnSaveProgress(WPARAM percent)
{
    if (!m_save)
        return;
    if (percent < CEditedSave::kEnded) {
        ::SendMessageW(GetDlgItem(IDC_REVIEW_PROGRESS), PBM_SETPOS, percent, 0);
        return;
    }
    GifError error = GifError::None;
    const CEditedSave::Outcome outcome = m_save->Finish(&error);
    m_save.reset();
    ShowSaving(false);
    std::wstring message;
    switch (outcome) {
    case CEditedSave::Outcome::Stopped: return;
    case CEditedSave::Outcome::CannotCreate: message = LoadText(IDS_REVIEW_CANNOT_CREATE); break;
    case CEditedSave::Outcome::WriteFailed: message = LoadText(IDS_REVIEW_WRITE_FAILED); break;
    case CEditedSave::Outcome::ReadFailed: message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(error)}); break;
    case CEditedSave::Outcome::TooLarge: message = FormatText(IDS_FIT_IMPOSSIBLE, {std::to_wstring(m_fitMB)}); break;
    case CEditedSave::Outcome::Written:
        if (!m_review.PutInPlace(m_saveTarget + L".trim", m_saveTarget, &message))
            break;
        m_outcome = SamePath(m_saveTarget, m_review.Path()) ? ReviewOutcome::Trimmed : ReviewOutcome::SavedCopy;
        m_savedPath = m_saveTarget;
        EndDialog(IDOK);
        return;
    }
    ShowMessage(m_hWnd, message.c_str());
}

// While saving, the progress and the stop button take the place of the part's line, and
// nothing else can be used.
void CReviewDlg::ShowSaving(bool saving, UINT what)
{
    const int controls[] = {IDC_REVIEW_SLIDER, IDC_REVIEW_PLAY, IDC_REVIEW_SET_START, IDC_REVIEW_SET_END,
                            IDC_REVIEW_CROP, IDC_REVIEW_CUT, IDC_REVIEW_SPEED, IDC_REVIEW_PAUSES,
                            IDC_REVIEW_FIT, IDC_REVIEW_FIT_SIZE,
                            IDC_REVIEW_SAVE_AS, IDC_REVIEW_SAVE, IDC_REVIEW_KEEP_ALL, IDC_REVIEW_DELETE};
    for (int id : controls)
        ::EnableWindow(GetDlgItem(id), !saving);
    HWND progress = GetDlgItem(IDC_REVIEW_PROGRESS);
    ::SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    ::SendMessageW(progress, PBM_SETPOS, 0, 0);
    ::ShowWindow(progress, saving ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_REVIEW_STOP_SAVE), saving ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_REVIEW_RANGE), saving ? SW_HIDE : SW_SHOW);
    if (saving)
        ::SetFocus(GetDlgItem(IDC_REVIEW_STOP_SAVE));
    ::SetDlgItemTextW(m_hWnd, IDC_REVIEW_EDITS, saving ? LoadText(what).c_str() : m_edits.SummaryText().c_str());
}
