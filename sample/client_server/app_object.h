#pragma once
#include <windows.h>

// "Zorv.Client": the sample client's application object.
HRESULT createApplicationObject(REFIID wanted, void** object);
