#pragma once
#include <cstddef>
#include <cstdint>

#include "colour_distance.h"
#include "colour_histogram.h"

class CNearestColour;

// A palette of n colours for a histogram of more: the two groups of colours whose merge adds
// least to the squared error are merged, from single colours until n groups are left, and each
// group's mean is an entry. Near the best palette for the few thousand colours of screen
// content, where a median cut leaves entries between the colours that matter; its time grows
// with the square of the colours, so larger histograms are left to the median cut.
// Returns the entries written (n, or fewer when the histogram has fewer colours).
// weights: the distance's (see colour_distance.h), as in every step that fits and maps the palette.
uint32_t MergeColours(const CColourHistogram::Entry* colours, size_t count, uint32_t n, uint32_t* palette,
                      ColourWeights weights = kPlainWeights);

// Lloyd (k-means) refinement of a palette over a frame's colour histogram: each colour goes to
// its nearest entry, each entry moves to the mean of its colours weighted by their pixels, and
// again, while the total squared error still falls by more than a thousandth. An entry no
// colour chose moves to the colour that is worst served. The median cut's boxes leave many
// entries between the colours that matter (the shades of antialiased text each carry few
// pixels); this moves them onto those colours.
//
// colours: the histogram; palette: n entries 0x00RRGGBB (1 <= n <= 256), refined in place;
// nearest: a search the refinement may set to any palette (left set to the result).
// Returns the rounds made.
int RefinePalette(const CColourHistogram::Entry* colours, size_t count, uint32_t* palette, uint32_t n,
                  CNearestColour& nearest, ColourWeights weights = kPlainWeights);
