#pragma once

// Where the wizard opens.
enum class WizardStart {
    Welcome,   // an installation begins
    Finish,    // after the restart an installation asked for
};

// Runs the five-page wizard modally.
void runWizard(WizardStart start);
