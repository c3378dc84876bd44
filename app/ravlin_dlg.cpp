#include "app/ravlin_dlg.h"

#include "app/about_dlg.h"
#include "app/config_store.h"
#include "app/failure_message.h"
#include "app/file_clipboard.h"
#include "app/file_size_text.h"
#include "app/key_tip_text.h"
#include "app/recording_file_name.h"
#include "app/resource.h"
#include "app/size_limit.h"
#include "app/set_dlg.h"
#include "app/ui_language.h"
#include "app/version.h"
#include "record/screen_recording.h"
#include "skin/skin_cache.h"
#include "win/data_exchange.h"
#include "win/dc.h"
#include "win/message_box.h"
#include "win/resource_text.h"

#include <shellapi.h>

namespace {

const COLORREF kBackground = RGB(50, 50, 50);
const COLORREF kMaskColour = RGB(255, 0, 255);

}  // namespace

CRavlinDlg::CRavlinDlg(CWnd* parent) : CSkinnedFrameDlg(IDD_RAVLIN_DIALOG, parent), m_overlay(IDD_CAPTURE, this)
{
    m_icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

CRavlinDlg::~CRavlinDlg()
{
    // The window may go without a confirmed close (the process is ending): the file being
    // written is finished all the same, and the recording is gone before GDI+ is shut down.
    EndRecordingNow();
}

void CRavlinDlg::DoDataExchange(CDataExchange& dx)
{
    CSkinnedFrameDlg::DoDataExchange(dx);
    DDX_Control(dx, IDC_SELECT_REGION, m_selectButton);
    DDX_Control(dx, IDC_RECORD, m_recordButton);
    DDX_Control(dx, IDC_STOP, m_stopButton);
    DDX_Control(dx, IDC_SETTINGS, m_settingsButton);
    DDX_Control(dx, IDC_ABOUT, m_aboutButton);
    DDX_Control(dx, IDC_OPEN_FOLDER, m_openFolderButton);
}

BOOL CRavlinDlg::OnInitDialog()
{
    CSkinnedFrameDlg::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_REGION_SIZE, L"");
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, L"");
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    m_settings = ReadRecordingSettings();

    SetBkColor(kBackground);
    LoadSkin();

    m_overlay.SetTypedSizeCommand(IDC_REGION_SIZE);
    m_overlay.Create(this);
    m_overlay.ShowWindow(SW_MAXIMIZE);
    m_overlay.ShowWindow(SW_HIDE);
    m_overlay.NotifyOwner(m_hWnd, WM_OVERLAY_HIDDEN, WM_REGION_CHANGED);
    m_overlay.SetSelectCursor(::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_SELECT_CURSOR)));

    PlaceControls();

    m_outputFolder = ProgramFolder() + L"\\CaptureFile";
    EnsureDirectory(m_outputFolder);

    m_preview.Resize(320, 180);

    SetWindowText(L"Ravlin " RAVLIN_VERSION_SHORT_TEXT);
    CenterWindow();
    RegisterHotkeys();
    UpdateLanguageTexts();
    ApplyState(m_state);
    return TRUE;
}

void CRavlinDlg::LoadSkin()
{
    SkinImage close[5];
    for (int i = 0; i < 5; ++i)
        close[i] = LoadSkinImage(L"Close" + std::to_wstring(i + 1) + L".bmp");
    SetCloseBitmaps(close[0].bitmap, close[1].bitmap, close[2].bitmap, close[3].bitmap, close[4].bitmap,
                    close[0].dpi);

    struct ButtonSkin {
        CHoverButton& button;
        const wchar_t* file;
    };
    const ButtonSkin buttons[] = {
        {m_selectButton, L"SelRegion.bmp"},
        {m_recordButton, L"Rec.bmp"},
        {m_stopButton, L"StopRec.bmp"},
        {m_settingsButton, L"Set.bmp"},
        {m_aboutButton, L"Info.bmp"},
        {m_openFolderButton, L"open.bmp"},
    };
    for (const ButtonSkin& skin : buttons) {
        const SkinImage strip = LoadSkinImage(skin.file);
        skin.button.SetImageStrip(strip.bitmap, kMaskColour, FALSE, strip.dpi);
    }
}

void CRavlinDlg::RegisterHotkeys()
{
    m_hotkeys.Register(m_hWnd, ReadHotkeySettings());
    UpdateTips();
}

// The texts the window shows outside the status lines, in the interface language.
void CRavlinDlg::UpdateLanguageTexts()
{
    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::ModifyMenuW(systemMenu, IDM_REGION_SIZE, MF_BYCOMMAND | MF_STRING, IDM_REGION_SIZE,
                      LoadText(IDS_REGION_SIZE_MENU).c_str());
        ::ModifyMenuW(systemMenu, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX,
                      LoadText(IDS_ABOUTBOX).c_str());
    }
    m_overlay.SetHints(LoadText(IDS_OVERLAY_HINT_DRAG), LoadText(IDS_OVERLAY_HINT_PICK));
    m_settingsButton.SetTipText(LoadText(IDS_TIP_SETTINGS).c_str(), TRUE);
    m_aboutButton.SetTipText(LoadText(IDS_TIP_ABOUT).c_str(), TRUE);
    m_openFolderButton.SetTipText(LoadText(IDS_TIP_OPEN_FOLDER).c_str(), TRUE);
    UpdateTips();
}

// The tips name each command's key, and say so when another program holds it, or which of
// our own commands does when two share it.
void CRavlinDlg::UpdateTips()
{
    struct Tip {
        CHoverButton& button;
        UINT text;
        HotkeyCommand command;
    };
    const Tip tips[] = {
        {m_selectButton, IDS_TIP_SELECT, HotkeySelect},
        {m_recordButton, IDS_TIP_RECORD, HotkeyRecord},
        {m_stopButton, IDS_TIP_STOP, HotkeyStop},
    };
    for (const Tip& tip : tips)
        tip.button.SetTipText(KeyTipText(LoadText(tip.text), m_hotkeys, tip.command).c_str(), TRUE);
}

bool CRavlinDlg::PreTranslateMessage(MSG& msg)
{
    // The overlay's keys work wherever the keyboard is in this window: a window manager may leave
    // the focus here when the overlay comes up.
    if (msg.message == WM_KEYDOWN && (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)) &&
        m_overlay.OnKey(static_cast<UINT>(msg.wParam)))
        return true;
    // Enter presses the button the keyboard reached (it shows the focus mark), as Space does;
    // otherwise Enter and Escape do nothing: a click leaves the focus on a button too, and the
    // dialog manager would turn Enter into a click on whichever tool button last had the focus
    // (it becomes the default button), so both keys are taken before it sees them.
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) && (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd))) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN)
            PressKeyboardFocusedButton();
        return true;
    }
    return CSkinnedFrameDlg::PreTranslateMessage(msg);
}

void CRavlinDlg::PressKeyboardFocusedButton()
{
    for (CHoverButton* button : {&m_selectButton, &m_recordButton, &m_stopButton, &m_settingsButton, &m_aboutButton,
                                 &m_openFolderButton}) {
        if (button->HasKeyboardFocus() && ::IsWindowEnabled(*button))
            ::SendMessageW(*button, BM_CLICK, 0, 0);
    }
}

LRESULT CRavlinDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_HOTKEY:
        OnHotkey(wParam);
        return 0;
    case CCountdownWnd::kEndedMessage:
        OnCountdownEnded(wParam == 1);
        return 0;
    case WM_RECORDING_ENDED: {
        // The outcome travels with the message, and is this window's from here on.
        const std::unique_ptr<RecordingOutcome> outcome(reinterpret_cast<RecordingOutcome*>(lParam));
        if (outcome)
            OnRecordingEnded(*outcome);
        return 0;
    }
    case WM_OVERLAY_HIDDEN:
        if (m_state == State::RegionChosen || m_state == State::CountingDown)
            SetState(State::NoRegion);
        return 0;
    case WM_REGION_CHANGED:
        Invalidate();  // the whole-screen line follows the region
        return 0;
    default:
        return CSkinnedFrameDlg::OnMessage(msg, wParam, lParam);
    }
}

void CRavlinDlg::OnSysCommand(UINT command, LPARAM lParam)
{
    if ((command & 0xFFF0) == IDM_REGION_SIZE) {
        OnRegionSize();
        return;
    }
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return;
    }
    CSkinnedFrameDlg::OnSysCommand(command, lParam);
}

void CRavlinDlg::OnPaint()
{
    if (!::IsIconic(m_hWnd)) {
        CSkinnedFrameDlg::OnPaint();
        return;
    }
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const RECT r = GetClientRect();
    const int x = (r.right - r.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (r.bottom - r.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
}

bool CRavlinDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (code != BN_CLICKED)
        return CSkinnedFrameDlg::OnCommand(id, code, control);
    switch (id) {
    case IDOK:
    case IDCANCEL:
        return true;  // Enter and Escape must not close the tool window
    case IDC_SELECT_REGION:
        OnSelectRegion();
        return true;
    case IDC_RECORD:
        OnRecord();
        return true;
    case IDC_STOP:
        OnStop();
        return true;
    case IDC_SETTINGS:
        OnSettings();
        return true;
    case IDC_ABOUT:
        OnAbout();
        return true;
    case IDC_OPEN_FOLDER:
        OpenCaptureFolder();
        return true;
    case IDC_REGION_SIZE:
        OnRegionSize();
        return true;
    default:
        return CSkinnedFrameDlg::OnCommand(id, code, control);
    }
}

void CRavlinDlg::OnHotkey(WPARAM id)
{
    // A key does what its button does, and only when the button could be pressed: not under
    // a message box or a dialog of this window.
    if (!::IsWindowEnabled(m_hWnd))
        return;
    switch (m_hotkeys.CommandOf(id)) {
    case HotkeySelect:
        OnSelectRegion();
        break;
    case HotkeyRecord:
        OnRecord();
        break;
    case HotkeyStop:
        OnStop();
        break;
    default:
        break;
    }
}

void CRavlinDlg::OnSelectRegion()
{
    // While paused a new region may be chosen, and capture resumes on it; while capturing or
    // writing out the file, the overlay would only cover what is being recorded.
    switch (m_state) {
    case State::NoRegion:
    case State::RegionChosen:
    case State::CountingDown:
        m_overlay.ShowOverlay(false);
        m_overlay.ShowOverlay(true);
        SetState(State::RegionChosen);
        return;
    case State::Paused:
        m_overlay.ShowOverlay(false);
        m_overlay.ShowOverlay(true);
        return;
    default:
        return;
    }
}

void CRavlinDlg::OnRecord()
{
    switch (m_state) {
    case State::NoRegion:
        ShowMessage(m_hWnd, LoadText(IDS_SELECT_FIRST).c_str());
        return;
    case State::RegionChosen:
        StartCountdownOrRecording();
        return;
    case State::CountingDown:
        return;  // the recording starts when the count runs out
    case State::Recording:
        m_recording->Pause();
        SetState(State::Paused);
        return;
    case State::Paused: {
        const RECT r = m_overlay.GetCaptureRect();
        m_recording->Resume(CaptureRect{r.left, r.top, r.right, r.bottom});
        SetState(State::Recording);
        return;
    }
    case State::Finishing:
    case State::Closing:
        // Capture has ended: there is nothing to pause or resume, and a new start has to wait
        // for the file to be complete.
        return;
    }
}

void CRavlinDlg::OnStop()
{
    switch (m_state) {
    case State::CountingDown:
        // Nothing has started: Stop only cancels the countdown, as Esc does.
        SetState(State::RegionChosen);
        return;
    case State::Recording:
    case State::Paused:
        m_recording->Finish();
        SetState(State::Finishing);
        return;
    case State::RegionChosen:
        SetState(State::NoRegion);
        return;
    default:
        return;
    }
}

void CRavlinDlg::SetState(State state)
{
    const State previous = m_state;
    m_state = state;
    ApplyState(previous);
}

// Everything the state decides: the overlay's look, the countdown, the buttons' latches and the
// open-folder button, and the counters' timer.
void CRavlinDlg::ApplyState(State previous)
{
    const auto regionShown = [](State s) {
        return s == State::RegionChosen || s == State::CountingDown || s == State::Recording || s == State::Paused;
    };
    const auto capturing = [](State s) { return s == State::Recording || s == State::Paused; };
    const bool recordingExists = capturing(m_state) || m_state == State::Finishing || m_state == State::Closing;
    if (regionShown(previous) && !regionShown(m_state))
        m_overlay.ShowOverlay(false);
    if (previous == State::CountingDown && m_state != State::CountingDown)
        m_countdown.Cancel();
    if (capturing(previous) != capturing(m_state))
        m_overlay.LockFrame(capturing(m_state));
    m_selectButton.SetLatched(regionShown(m_state) ? TRUE : FALSE);
    m_recordButton.SetLatched(m_state == State::Recording ? TRUE : FALSE);
    if (recordingExists)
        SetTimer(IDT_REFRESH_COUNTERS, 100);
    else
        KillTimer(IDT_REFRESH_COUNTERS);
    const bool fileReady = !recordingExists && !m_filePath.empty() && PathExists(m_filePath);
    ::EnableWindow(m_openFolderButton, fileReady);
}

void CRavlinDlg::StartRecording()
{
    const RECT r = m_overlay.GetCaptureRect();
    // A band of a few pixels leaves no client area: nothing could be captured from it.
    if (::IsRectEmpty(&r)) {
        ShowMessage(m_hWnd, LoadText(IDS_REGION_TOO_SMALL).c_str());
        return;
    }
    // The values of the file are taken as stored; only those no recording can run with are
    // replaced.
    const RecordingSettings settings = UsableSettings(m_settings);
    ScreenRecordingParams params;
    params.encoder.frameDelay = static_cast<int32_t>(m_frameDisplayTime / 10.0 + 0.5);
    params.encoder.outputRect = settings.captureType == 0 ? r : RECT{0, 0, settings.width, settings.height};
    params.encoder.trueSpeed = settings.trueSpeed != 0;
    params.encoder.compact = settings.compactMode == 1;
    params.encoder.quality = settings.quality;
    params.encoder.plays = static_cast<uint32_t>(settings.playCount);
    params.encoder.maxBytes = SizeLimitBytes(settings.maxFileSizeMB);
    EnsureDirectory(m_outputFolder);
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    // Taken by another recording (of this copy or another), the file gets the next free name.
    params.encoder.fileName = m_outputFolder + L"\\" + OutputFileName(now);
    params.region = r;
    params.intervalMs = settings.captureDelay;
    params.drawPointer = settings.recordPointer != 0;
    params.drawClicks = settings.recordClicks != 0;
    params.preview = &m_preview;

    std::unique_ptr<CRecording> recording = MakeScreenRecording(params);
    const HWND window = m_hWnd;
    const RecordingStart start = recording->Start([window](const RecordingOutcome& outcome) {
        auto posted = std::make_unique<RecordingOutcome>(outcome);
        if (::PostMessageW(window, WM_RECORDING_ENDED, 0, reinterpret_cast<LPARAM>(posted.get())))
            posted.release();
    });
    if (start.result != RecordingStart::Result::Started) {
        // Nothing runs. A region that cannot be captured stays for another try; a file that
        // cannot be written ends the selection, as any failed recording does.
        recording.reset();
        if (start.result != RecordingStart::Result::NothingToCapture)
            SetState(State::NoRegion);
        ShowMessage(m_hWnd, RefusalMessage(start, m_outputFolder).c_str());
        return;
    }
    m_recording = std::move(recording);
    m_filePath = m_recording->FilePath();
    m_fileNameText = FileNamePart(m_filePath);
    InvalidateStatus(2);
    SetState(State::Recording);
}

void CRavlinDlg::OnTimer(UINT_PTR id)
{
    if (id == IDT_REFRESH_COUNTERS)
        RefreshCounters();
    CSkinnedFrameDlg::OnTimer(id);
}

void CRavlinDlg::RefreshCounters()
{
    if (!m_recording)
        return;
    const EncoderProgress progress = m_recording->Progress();
    m_recordedText = FormatText(IDS_STATUS_RECORDED, {std::to_wstring(progress.received)});
    m_encodedText = FormatText(IDS_STATUS_ENCODED, {std::to_wstring(progress.encoded)});
    ShowSize(progress.bytesWritten);
    InvalidateStatus(0);
    InvalidateStatus(1);
    ::InvalidateRect(m_hWnd, &m_previewRect, TRUE);
}

// The recording's ended event: the file is complete, or the run failed and says why.
void CRavlinDlg::OnRecordingEnded(const RecordingOutcome& outcome)
{
    if (!m_recording)
        return;
    m_recording.reset();
    m_recordedText.clear();
    m_encodedText.clear();
    m_sizeText.clear();
    m_sizeNearLimit = false;
    InvalidateStatus(0);
    InvalidateStatus(1);
    const bool closing = m_state == State::Closing;
    SetState(State::NoRegion);

    if (outcome.end != RecordingOutcome::End::Completed) {
        const std::wstring text = FailureMessage(outcome, m_outputFolder);
        if (!text.empty())
            ShowMessage(m_hWnd, text.c_str());
    } else if (!closing && (!UsableSettings(m_settings).reviewAfterRecording || ReviewRecording())) {
        ReportCompleted(outcome);
    }
    if (closing)
        FinishClose();
}

void CRavlinDlg::ReportCompleted(const RecordingOutcome& outcome)
{
    const EncoderProgress& counts = outcome.counts;
    // Ready to paste into a chat, a mail or a folder before the box is even read.
    const bool onClipboard = PutFileOnClipboard(m_hWnd, m_filePath);
    std::wstring text = LoadText(IDS_DONE);
    if (outcome.atSizeLimit)
        text += L"\n" + FormatText(IDS_DONE_SIZE_LIMIT, {std::to_wstring(UsableSettings(m_settings).maxFileSizeMB)});
    if (counts.dropped > 0)
        text += L"\n" + FormatText(IDS_DONE_DROPPED, {std::to_wstring(counts.dropped)});
    const int64_t size = FileSizeOf(m_filePath);
    if (size >= 0)
        text += L"\n" + FormatText(IDS_DONE_SIZE, {FileSizeText(size), std::to_wstring(size)});
    if (!onClipboard)
        text += L"\n" + LoadText(IDS_DONE_CLIPBOARD_BUSY);
    ShowMessage(m_hWnd, text.c_str());
    OpenCaptureFolder();
}

// The size written so far, against the limit when there is one.
void CRavlinDlg::ShowSize(int64_t bytes)
{
    const int32_t limit = UsableSettings(m_settings).maxFileSizeMB;
    m_sizeText = SizeAgainstLimitText(bytes, limit);
    m_sizeNearLimit = NearSizeLimit(bytes, limit);
}

void CRavlinDlg::OnSettings()
{
    if (m_state == State::CountingDown)
        SetState(State::RegionChosen);
    // Owned by this window, as a framework dialog without a parent would be: the tool window is
    // topmost and would otherwise cover it.
    // The dialog's key fields must see the keys this window holds, and a key the user picks
    // is checked against the other programs alone.
    m_hotkeys.Unregister();
    CSetDlg dialog(this);
    const bool accepted = dialog.DoModal() == IDOK;
    RegisterHotkeys();
    if (!accepted)
        return;
    m_settings = ReadRecordingSettings();
    ApplyLanguageSetting();
    UpdateLanguageTexts();
}

void CRavlinDlg::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.DoModal();
}

void CRavlinDlg::OnClose()
{
    if (m_state == State::Closing)
        return;  // already waiting for the file to be complete
    if (!AskYesNo(m_hWnd, LoadText(IDS_CONFIRM_EXIT).c_str()))
        return;
    if (!m_recording) {
        FinishClose();
        return;
    }
    // Closing now would cut the file short: stop capturing, let the recording write out what it
    // has (the counters go on), and close at its ended event.
    if (m_state != State::Finishing)
        m_recording->Finish();
    SetState(State::Closing);
}

void CRavlinDlg::FinishClose()
{
    OnCancel();
}

void CRavlinDlg::EndRecordingNow()
{
    if (!m_recording)
        return;
    m_recording->Finish();
    m_recording->WaitEnded();
    m_recording.reset();
}

void CRavlinDlg::InvalidateStatus(int line) const
{
    ::InvalidateRect(m_hWnd, &m_statusRects[line], TRUE);
}

void CRavlinDlg::OpenCaptureFolder()
{
    if (m_filePath.empty())
        return;
    const std::wstring parameters = L"/select," + m_filePath;
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}
