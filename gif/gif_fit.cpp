#include "gif_fit.h"

#include <algorithm>
#include <cmath>

namespace {

class CCountingSink : public IByteSink {
public:
    explicit CCountingSink(IByteSink& out) : m_out(out) {}
    void Write(const void* data, uint32_t count) override
    {
        m_out.Write(data, count);
        m_count += count;
    }
    uint64_t Count() const { return m_count; }

private:
    IByteSink& m_out;
    uint64_t m_count = 0;
};

// A value tried and the size of its whole file, measured or, for a trial stopped past the
// limit, estimated from the share of the frames written by then.
struct Seen {
    int value = 0;
    double bytes = 0;
};

// Trials written one after another into the output, each stopped once past the limit, and
// the search over one value of the encoding that they serve.
class CFitTrials {
public:
    CFitTrials(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
               const std::vector<PlannedFrame>& plan, const ImageRect& crop, uint64_t limitBytes,
               IFitOutput& output, const EditProgress& progress, FitResult* result)
        : m_source(source), m_info(info), m_pictures(pictures), m_plan(plan), m_crop(crop), m_limit(limitBytes),
          m_output(output), m_progress(progress), m_result(*result) {}

    // Writes a trial; *fits: whole and within the limit. False when the fit must end (a
    // failure or a cancel).
    bool Try(const EditEncoding& encoding, int trialsLeft, bool* fits, double* wholeBytes)
    {
        CCountingSink sink(m_output.Restart());
        bool over = false, stopped = false;
        size_t framesDone = 0;
        const auto told = [&](size_t done, size_t total) {
            framesDone = done;
            if (sink.Count() > m_limit)
                return !(over = true);
            // Each trial ahead counts as much as this one.
            const size_t permille = (m_result.trials * total + done) * 1000 / ((m_result.trials + trialsLeft) * total);
            m_shown = std::max(m_shown, std::min<size_t>(permille, 999));
            if (m_progress && !m_progress(m_shown, 1000))
                return !(m_result.cancelled = true);
            return true;
        };
        m_result.error = WriteEditedGif(m_source, m_info, m_pictures, m_plan, m_crop, sink, told, &stopped, encoding);
        ++m_result.trials;
        *fits = !stopped && m_result.error == GifError::None && sink.Count() <= m_limit;
        *wholeBytes = over ? static_cast<double>(sink.Count()) * m_plan.size() / std::max<size_t>(framesDone, 1)
                           : static_cast<double>(sink.Count());
        m_result.encoding = encoding;
        m_result.bytes = sink.Count();
        m_result.fits = *fits;
        m_lastBytes = *wholeBytes;
        return m_result.error == GifError::None && !m_result.cancelled;
    }

    // The highest value between low and high for which the encoding fits, or low when none
    // does (low is taken to fit, high not, its file about high.bytes). The next value tried is
    // read off the sizes seen (size taken to grow as value^power), falling back to the middle
    // when a guess did not halve the span. A value whose file reaches enough * limit ends the
    // search early. The output is left holding the value found, when there is one.
    bool Search(int EditEncoding::*value, EditEncoding encoding, int low, Seen high, double power, double enough,
                int* found)
    {
        Seen lo{low, 0};
        int lastTried = high.value;
        bool halve = false;
        while (high.value - lo.value > 1) {
            const int span = high.value - lo.value;
            const int guess = halve ? lo.value + span / 2 : Guess(lo, high, power);
            encoding.*value = std::clamp(guess, lo.value + 1, high.value - 1);
            bool fits = false;
            double bytes = 0;
            if (!Try(encoding, TrialsFor(span), &fits, &bytes))
                return false;
            lastTried = encoding.*value;
            (fits ? lo : high) = Seen{encoding.*value, bytes};
            if (fits && bytes >= enough * m_limit)
                break;
            halve = (high.value - lo.value) * 2 > span;
        }
        *found = lo.value;
        if (lo.value == low || lastTried == lo.value)
            return true;
        encoding.*value = lo.value;
        bool fits = false;
        double bytes = 0;
        return Try(encoding, 1, &fits, &bytes);
    }

    // The whole file's bytes, measured or estimated, of the last trial.
    double LastBytes() const { return m_lastBytes; }

private:
    // Where the file would be a little under the limit, between the sizes seen.
    int Guess(const Seen& lo, const Seen& high, double power) const
    {
        const double target = 0.96 * m_limit;
        const int middle = lo.value + (high.value - lo.value) / 2;
        if (high.bytes <= target || (lo.value > 0 && lo.bytes >= high.bytes))
            return middle;
        double guess = 0;
        if (lo.bytes <= 0 || lo.value <= 0) {
            guess = high.value * std::pow(target / high.bytes, 1 / power);
        } else {
            const double t = std::log(target / lo.bytes) / std::log(high.bytes / lo.bytes);
            guess = std::exp(std::log(lo.value) + t * std::log(double(high.value) / lo.value));
        }
        if (!(guess > lo.value && guess < high.value))  // NaN too
            return guess <= lo.value ? lo.value + 1 : guess >= high.value ? high.value - 1 : middle;
        return static_cast<int>(guess);
    }

    static int TrialsFor(int span)
    {
        int n = 1;
        while ((1 << n) < span)
            ++n;
        return n;
    }

    IByteSource& m_source;
    const GifFileInfo& m_info;
    CGifPictures& m_pictures;
    const std::vector<PlannedFrame>& m_plan;
    const ImageRect& m_crop;
    const uint64_t m_limit;
    IFitOutput& m_output;
    const EditProgress& m_progress;
    FitResult& m_result;
    size_t m_shown = 0;
    double m_lastBytes = 0;
};

void Fit(CFitTrials& trials, const ImageRect& crop, FitResult& result)
{
    EditEncoding encoding;
    bool fits = false;
    double bytes = 0;
    if (!trials.Try(encoding, 8, &fits, &bytes) || fits)
        return;
    // The highest quality that fits, every frame rebuilt (100 then keeps every colour, in
    // frames of the compact mode): the search runs to its end. 101 stands for the file as
    // written above.
    encoding.rebuild = true;
    int quality = 0;
    if (!trials.Search(&EditEncoding::quality, encoding, 0, Seen{101, bytes}, 1, 2, &quality) || quality > 0)
        return;
    // Quality 1 does not fit: narrower, the file shrinking about with the picture's area; a
    // width whose file comes near the size is taken.
    encoding.quality = 1;
    int width = 0;
    if (!trials.Search(&EditEncoding::width, encoding, 0, Seen{crop.width, trials.LastBytes()}, 2, 0.95, &width) ||
        width > 0)
        return;
    result.fits = false;
}

}  // namespace

FitResult FitEditedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                       const std::vector<PlannedFrame>& plan, const ImageRect& crop, uint64_t limitBytes,
                       IFitOutput& output, const EditProgress& progress)
{
    FitResult result;
    CFitTrials trials(source, info, pictures, plan, crop, limitBytes, output, progress, &result);
    Fit(trials, crop, result);
    if (progress && result.error == GifError::None && !result.cancelled)
        progress(1000, 1000);
    return result;
}
