#pragma once

// Names the sample client's server and application share with each other and
// with the tests that drive them.

// Window class of the sample client application's hidden top-level window.
#define SAMPLE_CLIENT_WINDOW_CLASS "ZorvSampleClientWnd"

// HKEY_CURRENT_USER key of the sample: "ClientPath" overrides the installed
// client's path, "RegServer" records the application's self-registration.
#define SAMPLE_SETTINGS_KEY "Software\\Brenix\\ZORV3 Sample"

#define SAMPLE_JOURNAL_NAME "journal.txt"
#define SAMPLE_CONFIG_NAME "zorvc.ini"

// The path buffers of the sample, as large as the installer's.
enum { samplePathCapacity = 512 };
