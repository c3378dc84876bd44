#pragma once
// Fitting an edited recording into a size a user names: the kept frames written at the highest
// quality whose file fits, and only where even the lowest quality does not, smaller as well.
#include <cstdint>
#include <vector>

#include "byte_sink.h"
#include "byte_source.h"
#include "gif_edit_writer.h"
#include "gif_edits.h"
#include "gif_index.h"
#include "gif_pictures.h"

// Where the trials of a fit are written, one after another; the file is the last one begun.
class IFitOutput {
public:
    virtual ~IFitOutput() = default;
    // The output emptied, to be written from its first byte.
    virtual IByteSink& Restart() = 0;
};

struct FitResult {
    GifError error = GifError::None;
    bool cancelled = false;
    bool fits = false;       // false: not even the smallest scale fits (the output is then no file to keep)
    EditEncoding encoding;   // what the output was written with
    uint64_t bytes = 0;      // the output's size
    int trials = 0;          // files written, whole or stopped once past the limit
};

// Writes the planned frames (as WriteEditedGif does) into the output at most limitBytes long:
// as they are when that fits; else at the highest quality that fits, found by bisection (a
// file grows with the quality); else at quality 1 and the largest scale, in whole percents,
// that fits. A trial stops as soon as it passes the limit. progress(done, 1000) is told how
// far the search is and never goes back; false cancels (the output is then incomplete). A
// failed write raises whatever the output's sink raises.
FitResult FitEditedGif(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                       const std::vector<PlannedFrame>& plan, const ImageRect& crop, uint64_t limitBytes,
                       IFitOutput& output, const EditProgress& progress);
