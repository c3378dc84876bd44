// What the window says when a recording fails or does not start: every failure has words in
// both languages, taken from the outcome alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/failure_message.h"
#include "app/resource.h"
#include "app/ui_language.h"
#include "win/resource_text.h"

namespace {

class LanguageScope {
public:
    explicit LanguageScope(LANGID language) : m_previous(ResourceLanguage()) { SetResourceLanguage(language); }
    ~LanguageScope() { SetResourceLanguage(m_previous); }

private:
    LANGID m_previous;
};

RecordingOutcome Outcome(RecordingOutcome::End end, EncodeFailure failure, int32_t kept)
{
    RecordingOutcome outcome;
    outcome.end = end;
    outcome.failure = failure;
    outcome.counts.encoded = kept;
    return outcome;
}

}  // namespace

TEST(FailureMessage, EveryFailureAndRefusalIsWordedInBothLanguages)
{
    using End = RecordingOutcome::End;
    using Result = RecordingStart::Result;
    const std::wstring folder = L"C:\\ravlin\\CaptureFile";
    // text: the message begins with this string; 0 for no message.
    struct Case {
        const char* name;
        bool started;  // an ended recording's outcome, or else a refused start
        End end;
        Result result;
        EncodeFailure failure;
        int32_t kept;
        UINT text;
        const wchar_t* then;  // what follows the text on the next line, or null
    };
    const Case cases[] = {
        {"completed", true, End::Completed, Result::Started, NoFailure, 9, 0, nullptr},
        {"abandoned", true, End::Abandoned, Result::Started, NoFailure, 2, 0, nullptr},
        {"disk full part-way", true, End::Failed, Result::Started, DiskFull, 7, IDS_DISK_FULL, nullptr},
        {"disk full at once", true, End::Failed, Result::Started, DiskFull, 0, IDS_DISK_FULL_AT_START, nullptr},
        {"a write failed", true, End::Failed, Result::Started, WriteFailed, 3, IDS_ENCODE_ERROR, nullptr},
        {"a fault in a worker", true, End::Failed, Result::Started, EncodeError, 3, IDS_ENCODE_ERROR, nullptr},
        {"nothing to capture", false, End::Failed, Result::NothingToCapture, NoFailure, 0, IDS_RECORDING_FAILED,
         nullptr},
        {"folder not writable", false, End::Failed, Result::EncoderRefused, CannotCreateFile, 0,
         IDS_FOLDER_UNWRITABLE, folder.c_str()},
        {"no thread to run on", false, End::Failed, Result::EncoderRefused, EncodeError, 0, IDS_ENCODE_ERROR,
         nullptr},
        {"started", false, End::Completed, Result::Started, NoFailure, 0, 0, nullptr},
    };
    for (const LANGID language : {kChineseLanguage, kEnglishLanguage}) {
        const LanguageScope scope(language);
        EXPECT_EQ(L"Encode catch error!", LoadText(IDS_ENCODE_ERROR));
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", language " << language);
            const std::wstring text = c.started ? FailureMessage(Outcome(c.end, c.failure, c.kept), folder)
                                                : RefusalMessage(RecordingStart{c.result, c.failure}, folder);
            if (c.text == 0) {
                EXPECT_TRUE(text.empty());
                continue;
            }
            const std::wstring expected = LoadText(c.text);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(expected, text.substr(0, expected.size()));
            if (c.then) {
                EXPECT_EQ(expected + L"\n" + c.then, text);
            }
            if (c.text == IDS_DISK_FULL) {
                EXPECT_NE(std::wstring::npos, text.find(L"7")) << "the frames kept";
            }
        }
    }
}
