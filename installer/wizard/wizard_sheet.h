#pragma once

// Page indexes of the wizard, in the order the user meets them.
const int welcomePageIndex = 0;
const int folderPageIndex = 1;
const int proxyPageIndex = 2;
const int readyPageIndex = 3;
const int finishPageIndex = 4;

// Runs the five-page wizard modally, opening on the given page.
void runWizard(int startPage);
