#pragma once
// The program's version, for the version resource and the download's name.
#define RAVLIN_VERSION_MAJOR 1
#define RAVLIN_VERSION_MINOR 2
#define RAVLIN_VERSION_PATCH 0
#define RAVLIN_VERSION_TEXT "1.2.0"
