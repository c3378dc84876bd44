#include "app/ravlin_dlg.h"

#include "app/about_dlg.h"
#include "app/config_store.h"
#include "app/failure_message.h"
#include "app/file_clipboard.h"
#include "app/file_size_text.h"
#include "app/key_tip_text.h"
#include "app/output_file.h"
#include "app/resource.h"
#include "app/size_limit.h"
#include "app/set_dlg.h"
#include "app/ui_language.h"
#include "record/gif_encoder.h"
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

CRavlinDlg::CRavlinDlg(CWnd* parent) : CNewSkinDlg(IDD_RAVLIN_DIALOG, parent), m_overlay(IDD_CAPTURE, this)
{
    m_icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

CRavlinDlg::~CRavlinDlg()
{
    // The window may go without a confirmed close (the process is ending): the file being
    // written is finished all the same, and the encoder is gone before GDI+ is shut down.
    WaitForEncoder();
}

void CRavlinDlg::DoDataExchange(CDataExchange& dx)
{
    CNewSkinDlg::DoDataExchange(dx);
    DDX_Control(dx, IDC_SELECT_REGION, m_selectButton);
    DDX_Control(dx, IDC_RECORD, m_recordButton);
    DDX_Control(dx, IDC_STOP, m_stopButton);
    DDX_Control(dx, IDC_SETTINGS, m_settingsButton);
    DDX_Control(dx, IDC_ABOUT, m_aboutButton);
    DDX_Control(dx, IDC_OPEN_FOLDER, m_openFolderButton);
}

BOOL CRavlinDlg::OnInitDialog()
{
    CNewSkinDlg::OnInitDialog();

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

    m_overlay.SetSelectMode(1);
    m_overlay.SetTypedSizeCommand(IDC_REGION_SIZE);
    m_overlay.Create(this);
    m_overlay.ShowWindow(SW_MAXIMIZE);
    m_overlay.ShowWindow(SW_HIDE);
    m_overlay.SetSelectCursor(::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_SELECT_CURSOR)));

    PlaceControls();

    m_outputFolder = ProgramFolder() + L"\\CaptureFile";
    EnsureDirectory(m_outputFolder);

    m_preview.Resize(180, 320);
    m_grabber.SetPreview(&m_preview);

    SetWindowText(L"Ravlin 1.2");
    CenterWindow();
    SetTimer(IDT_POLL_OVERLAY, 100);
    RegisterHotkeys();
    UpdateLanguageTexts();
    ApplyState();
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
    m_overlay.SetHints(LoadText(IDS_VEIL_HINT_DRAG), LoadText(IDS_VEIL_HINT_PICK));
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
    // The veil's keys work wherever the keyboard is in this window: a window manager may leave
    // the focus here when the veil comes up.
    if (msg.message == WM_KEYDOWN && (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)) &&
        m_overlay.OnVeilKey(static_cast<UINT>(msg.wParam)))
        return true;
    // Enter and Escape do nothing here. The dialog manager would turn Enter into a click on
    // whichever tool button last had the focus (it becomes the default button), so both keys
    // are taken before it sees them.
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) && (msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd)))
        return true;
    return CNewSkinDlg::PreTranslateMessage(msg);
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
    default:
        return CNewSkinDlg::OnMessage(msg, wParam, lParam);
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
    CNewSkinDlg::OnSysCommand(command, lParam);
}

void CRavlinDlg::OnPaint()
{
    if (!::IsIconic(m_hWnd)) {
        CNewSkinDlg::OnPaint();
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
        return CNewSkinDlg::OnCommand(id, code, control);
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
        return CNewSkinDlg::OnCommand(id, code, control);
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
    m_countdown.Cancel();
    m_overlay.ShowOverlay(false);
    m_overlay.ShowOverlay(true);
    m_selectButton.SetLatched(TRUE);
}

void CRavlinDlg::OnRecord()
{
    switch (m_recordState) {
    case Finishing:
        // The grabber is stopped: there is nothing to pause or resume, and a new start has to
        // wait for the file to be complete.
        return;
    case Recording:
        m_grabber.SetPause(1);
        SetState(Paused);
        break;
    case Paused: {
        const RECT r = m_overlay.GetCaptureRect();
        m_grabber.SetRect(r.left, r.top, r.right, r.bottom);
        m_grabber.SetPause(0);
        SetState(Recording);
        break;
    }
    case Idle:
        break;
    }
    if (!m_selectButton.IsLatched()) {
        ShowMessage(m_hWnd, LoadText(IDS_SELECT_FIRST).c_str());
        return;
    }
    if (m_recordState != Idle || StartCountdown())
        return;
    StartRecording();
}

void CRavlinDlg::SetState(RecordState state)
{
    m_recordState = state;
    ApplyState();
}

// Everything the recording state decides: the record button's latch, the encoder poll and
// the open-folder button. The select button's latch is the chosen region, not the state.
void CRavlinDlg::ApplyState()
{
    m_recordButton.SetLatched(m_recordState == Recording ? TRUE : FALSE);
    if (m_recordState == Idle)
        KillTimer(IDT_POLL_ENCODER);
    else
        SetTimer(IDT_POLL_ENCODER, 100);
    const bool fileReady = m_recordState == Idle && !m_filePath.empty() && PathExists(m_filePath);
    ::EnableWindow(m_openFolderButton, fileReady);
}

void CRavlinDlg::StartRecording()
{
    m_overlay.LockFrame(true);
    const RECT r = m_overlay.GetCaptureRect();
    // A band of a few pixels leaves no client area: nothing could be captured from it.
    if (::IsRectEmpty(&r)) {
        m_overlay.LockFrame(false);
        ShowMessage(m_hWnd, LoadText(IDS_REGION_TOO_SMALL).c_str());
        return;
    }
    // The values of the file are taken as stored; only those no recording can run with are
    // replaced.
    const RecordingSettings settings = UsableSettings(m_settings);

    auto encoder = std::make_unique<CGifEncoder>();
    EncoderParams params;
    params.frameDelay = static_cast<int32_t>(m_frameDisplayTime / 10.0 + 0.5);
    params.outputRect = settings.captureType == 0 ? r : RECT{0, 0, settings.width, settings.height};
    params.trueSpeed = settings.trueSpeed != 0;
    params.compact = settings.compactMode == 1;
    params.plays = static_cast<uint32_t>(settings.playCount);
    params.maxBytes = SizeLimitBytes(settings.maxFileSizeMB);

    EnsureDirectory(m_outputFolder);
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::wstring previousPath = m_filePath;
    const std::wstring previousName = m_fileNameText;
    m_filePath = UniqueOutputPath(m_outputFolder, OutputFileName(now), PathExists);
    m_fileNameText = FileNamePart(m_filePath);
    InvalidateStatus(2);
    params.fileName = m_filePath;
    encoder->SetParams(params);

    m_grabber.SetRect(r.left, r.top, r.right, r.bottom);
    m_grabber.SetInterval(settings.captureDelay);
    m_grabber.SetEncoder(encoder.get());
    m_grabber.SetDrawPointer(settings.recordPointer != 0);
    m_grabber.SetDrawClicks(settings.recordClicks != 0);
    if (!m_grabber.Start()) {
        // Nothing was started (the region is off screen, or the display cannot be read).
        m_grabber.SetEncoder(nullptr);
        m_overlay.LockFrame(false);
        m_filePath = previousPath;
        m_fileNameText = previousName;
        InvalidateStatus(2);
        ShowMessage(m_hWnd, LoadText(IDS_RECORDING_FAILED).c_str());
        return;
    }
    m_encoder = std::move(encoder);
    SetState(Recording);
}

void CRavlinDlg::OnStop()
{
    // During the countdown nothing has started: Stop only cancels it, as Esc does.
    if (m_countdown.Running()) {
        m_countdown.Cancel();
        return;
    }
    m_grabber.Stop();
    m_overlay.ShowOverlay(false);
    m_overlay.LockFrame(false);
    m_selectButton.SetLatched(FALSE);
    SetState(m_recordState == Idle ? Idle : Finishing);
}

void CRavlinDlg::OnTimer(UINT_PTR id)
{
    if (id == IDT_POLL_ENCODER)
        PollEncoder();
    else if (id == IDT_POLL_OVERLAY)
        PollOverlay();
    CNewSkinDlg::OnTimer(id);
}

void CRavlinDlg::PollEncoder()
{
    if (!m_encoder)
        return;
    int32_t encoded = 0;
    int32_t received = 0;
    const int status = m_encoder->GetState(&encoded, &received);
    if (status == Finished || status == Failed) {
        EndRecording(status);
        return;
    }
    if (status == Encoding) {
        m_recordedText = FormatText(IDS_STATUS_RECORDED, {std::to_wstring(received)});
        m_encodedText = FormatText(IDS_STATUS_ENCODED, {std::to_wstring(encoded)});
        ShowSize(m_encoder->GetBytesWritten());
        InvalidateStatus(0);
        InvalidateStatus(1);
        ::InvalidateRect(m_hWnd, &m_previewRect, TRUE);
    }
}

void CRavlinDlg::EndRecording(int status)
{
    // A failed worker may have ended while capture still runs: the grabber lets go of the
    // encoder before the encoder goes.
    const bool wasFinishing = m_recordState == Finishing;
    m_grabber.Stop();
    m_grabber.SetEncoder(nullptr);
    const int32_t dropped = m_encoder->GetDroppedCount();
    const EncodeFailure failure = m_encoder->GetFailure();
    int32_t encoded = 0;
    m_encoder->GetState(&encoded, nullptr);
    const bool atSizeLimit = m_encoder->ReachedSizeLimit();
    m_encoder.reset();
    m_recordedText.clear();
    m_encodedText.clear();
    m_sizeText.clear();
    m_sizeNearLimit = false;
    InvalidateStatus(0);
    InvalidateStatus(1);
    if (!wasFinishing) {
        m_overlay.ShowOverlay(false);
        m_overlay.LockFrame(false);
        m_selectButton.SetLatched(FALSE);
    }
    SetState(Idle);

    if (status != Finished) {
        const std::wstring text = FailureMessage(failure, encoded, m_outputFolder);
        if (!text.empty())
            ShowMessage(m_hWnd, text.c_str());
        if (m_closePending)
            FinishClose();
        return;
    }
    if (m_closePending) {
        FinishClose();
        return;
    }
    if (UsableSettings(m_settings).reviewAfterRecording && !ReviewRecording())
        return;
    // Ready to paste into a chat, a mail or a folder before the box is even read.
    const bool onClipboard = PutFileOnClipboard(m_hWnd, m_filePath);
    std::wstring text = LoadText(IDS_DONE);
    if (atSizeLimit)
        text += L"\n" + FormatText(IDS_DONE_SIZE_LIMIT, {std::to_wstring(UsableSettings(m_settings).maxFileSizeMB)});
    if (dropped > 0)
        text += L"\n" + FormatText(IDS_DONE_DROPPED, {std::to_wstring(dropped)});
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

void CRavlinDlg::PollOverlay()
{
    if (!m_overlay.IsWindowVisible() && m_selectButton.IsLatched())
        m_selectButton.SetLatched(FALSE);
}

void CRavlinDlg::OnSettings()
{
    m_countdown.Cancel();
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
    if (m_closePending)
        return;  // already waiting for the file to be complete
    if (!AskYesNo(m_hWnd, LoadText(IDS_CONFIRM_EXIT).c_str()))
        return;
    if (m_encoder) {
        // Closing now would cut the file short: stop capturing, let the encoder write out
        // what it has (the counters go on), and close when timer 1 sees it done.
        m_closePending = true;
        if (m_recordState != Finishing)
            OnStop();
        return;
    }
    FinishClose();
}

void CRavlinDlg::FinishClose()
{
    KillTimer(IDT_POLL_OVERLAY);
    OnCancel();
}

void CRavlinDlg::WaitForEncoder()
{
    if (!m_encoder)
        return;
    m_grabber.Stop();
    m_grabber.SetEncoder(nullptr);
    m_encoder->WaitEnded(INFINITE);
    m_encoder.reset();
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
