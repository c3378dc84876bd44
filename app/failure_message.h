#pragma once
#include <cstdint>
#include <string>

#include "pipeline/frame_encoder.h"

// What the window tells the user when a recording ended early: what happened and what was
// kept. Empty when the encoder has told the user already ("Encode catch error!").
std::wstring FailureMessage(EncodeFailure failure, int32_t framesKept, const std::wstring& folder);
