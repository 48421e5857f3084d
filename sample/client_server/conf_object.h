#pragma once
#include <windows.h>

// "Zorv.Client.Conf": the sample client's configuration object.
HRESULT createConfigurationObject(REFIID wanted, void** object);
