#include "gif_fit.h"

#include <algorithm>

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

// Trials written one after another into the output, each stopped once past the limit.
class CFitTrials {
public:
    CFitTrials(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
               const std::vector<PlannedFrame>& plan, const ImageRect& crop, uint64_t limitBytes,
               IFitOutput& output, const EditProgress& progress, FitResult* result)
        : m_source(source), m_info(info), m_pictures(pictures), m_plan(plan), m_crop(crop), m_limit(limitBytes),
          m_output(output), m_progress(progress), m_result(*result) {}

    // Writes a trial; *fits: whole and within the limit. False when the fit must end (a
    // failure or a cancel).
    bool Try(const EditEncoding& encoding, int trialsLeft, bool* fits)
    {
        CCountingSink sink(m_output.Restart());
        bool over = false, stopped = false;
        const auto told = [&](size_t done, size_t total) {
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
        m_result.encoding = encoding;
        m_result.bytes = sink.Count();
        m_result.fits = *fits;
        return m_result.error == GifError::None && !m_result.cancelled;
    }

    // The highest value in low + 1 .. high - 1 for which the encoding fits, or low when none
    // does; low is taken to fit and high not. The output is left holding that value's trial
    // when there is one.
    bool Bisect(int low, int high, int EditEncoding::*value, EditEncoding encoding, int* found)
    {
        int lastTried = high;
        while (high - low > 1) {
            encoding.*value = (low + high) / 2;
            bool fits = false;
            if (!Try(encoding, TrialsFor(high - low) + 1, &fits))
                return false;
            lastTried = encoding.*value;
            (fits ? low : high) = encoding.*value;
        }
        *found = low;
        if (low == 0 || lastTried == low)
            return true;
        encoding.*value = low;
        bool fits = false;
        return Try(encoding, 1, &fits);
    }

private:
    static int TrialsFor(int span)
    {
        int n = 0;
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
};

}  // namespace

FitResult FitEditedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                       const std::vector<PlannedFrame>& plan, const ImageRect& crop, uint64_t limitBytes,
                       IFitOutput& output, const EditProgress& progress)
{
    FitResult result;
    CFitTrials trials(source, info, pictures, plan, crop, limitBytes, output, progress, &result);
    EditEncoding encoding;
    bool fits = false;
    if (!trials.Try(encoding, 8, &fits) || fits)
        return result;
    int quality = 0;
    if (!trials.Bisect(0, 100, &EditEncoding::quality, encoding, &quality) || quality > 0)
        return result;
    encoding.quality = 1;
    int scale = 0;
    if (!trials.Bisect(0, 100, &EditEncoding::scalePercent, encoding, &scale) || scale > 0)
        return result;
    result.fits = false;
    return result;
}
