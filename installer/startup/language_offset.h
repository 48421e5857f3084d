#pragma once

// The resource offset for a user language id, after the table of languages
// (res/languages.def): only the primary language (its low 10 bits) counts, so
// every sub-language of a listed language qualifies; any other language gets
// the first row's.
int languageOffsetFor(unsigned short languageId);
