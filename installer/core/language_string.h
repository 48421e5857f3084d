#pragma once

// Loads the string baseId in the user's language (baseId + languageOffset of
// the resources); an empty text when there is none.
void loadLanguageString(int baseId, char* buffer, int capacity);
