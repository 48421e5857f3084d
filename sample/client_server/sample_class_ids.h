#pragma once
#include <windows.h>

// The sample's class ids, behind the ProgIDs "Zorv.Client.Conf" and "Zorv.Client".
extern const CLSID CLSID_SampleClientConf;
extern const CLSID CLSID_SampleClient;
