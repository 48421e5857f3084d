#include "startup/command_line.h"

#include "common/bounded_copy.h"
#include "core/install_state.h"
#include "startup/command_line_parser.h"

int parseCommandLine(const char* argumentText)
{
    CommandLineSettings settings;
    settings.afterBoot = installState.afterBoot;
    settings.restartPending = installState.restartPending;
    settings.urlIsHttp = installState.urlIsHttp;
    settings.forceAll = installState.forceAll;
    settings.noReg = installState.noReg;
    copyBounded(settings.baseUrl, sizeof settings.baseUrl, installState.baseUrl);

    const bool accepted = applyCommandLine(argumentText, settings);

    installState.afterBoot = settings.afterBoot;
    installState.restartPending = settings.restartPending;
    installState.urlIsHttp = settings.urlIsHttp;
    installState.forceAll = settings.forceAll;
    installState.noReg = settings.noReg;
    copyBounded(installState.baseUrl, sizeof installState.baseUrl, settings.baseUrl);

    if (accepted)
        return 0;
    MessageBoxA(nullptr, "Usage: installer [ /url http://... | /url file:... ] [ /all ] [ /no-reg ]\n",
                ZORV_CAPTION, MB_ICONINFORMATION);
    return 1;
}
