#pragma once

// The size of every buffer that holds a path, a URL, or a command line or
// message built around one, terminator included. Texts that do not fit are
// refused or cut through the bounded copy and format, never overrun.
const int pathSize = 512;
