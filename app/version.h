#pragma once
// The program's version: the one place it is written. The version resource, the About box, the
// window title and the download's name all take it from here.
#define RAVLIN_VERSION_MAJOR 1
#define RAVLIN_VERSION_MINOR 2
#define RAVLIN_VERSION_PATCH 0

// The numbers as text; both compilers join adjacent string literals.
#define RAVLIN_TEXT_OF_(number) #number
#define RAVLIN_TEXT_OF(number) RAVLIN_TEXT_OF_(number)
// "1.2": what the title and the About box show.
#define RAVLIN_VERSION_SHORT_TEXT RAVLIN_TEXT_OF(RAVLIN_VERSION_MAJOR) "." RAVLIN_TEXT_OF(RAVLIN_VERSION_MINOR)
// "1.2.0": the version resource and the download.
#define RAVLIN_VERSION_TEXT RAVLIN_VERSION_SHORT_TEXT "." RAVLIN_TEXT_OF(RAVLIN_VERSION_PATCH)
