#pragma once

// Copies the key files (*.key) of the sibling program, found through its
// registered application path, into the client folder, never over existing
// ones.
void copySiblingKeyFiles();
