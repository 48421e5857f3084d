#pragma once

// The reference's own templates: the wizard's two pages and the dialog the
// first page opens for the transfer.
#define IDD_START_PAGE 201
#define IDD_END_PAGE 202
#define IDD_TRANSFER 203
