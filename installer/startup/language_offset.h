#pragma once

// The resource offset for a user language id: only the primary language
// (its low 10 bits) counts, so every German or French sub-language qualifies.
int languageOffsetFor(unsigned short languageId);
