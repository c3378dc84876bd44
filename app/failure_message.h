#pragma once
#include <string>

#include "pipeline/recording.h"

// What the window tells the user, in the interface's language, when a recording ended early:
// what happened and what was kept. Empty for a recording that completed or was abandoned.
std::wstring FailureMessage(const RecordingOutcome& outcome, const std::wstring& folder);
// Why a recording did not start; empty when it started.
std::wstring RefusalMessage(const RecordingStart& start, const std::wstring& folder);
