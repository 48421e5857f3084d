#pragma once

// Compares an installed file with a list record. file is a full path, or a
// bare name that the library search resolves (system files). Negative: the
// file is outdated or missing and must be fetched; 0: same version (and, for
// a full path, same size); positive: the installed version text sorts after
// the record's.
int checkInstalledVersion(const char* file, const char* version, int size);
