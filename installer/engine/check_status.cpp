#include "engine/check_status.h"

#include "common/bounded_format.h"
#include "common/text_sizes.h"
#include "core/language_string.h"
#include "engine/progress_view.h"
#include "res/resource_ids.h"

void showCheckFailure(HWND dialog, ContentCheck check, const char* name)
{
    switch (check) {
    case ContentCheck::Accepted:
    case ContentCheck::Pending:
        return;
    case ContentCheck::NotSigned:
        showStatusString(dialog, IDS_LIST_NOT_SIGNED);
        return;
    case ContentCheck::Older:
        showStatusString(dialog, IDS_LIST_OLDER);
        return;
    case ContentCheck::Uncheckable:
        showStatusString(dialog, IDS_CHECKS_UNAVAILABLE);
        return;
    case ContentCheck::Mismatch: {
        char pattern[pathSize];
        char text[pathSize];
        loadLanguageString(IDS_COMPONENT_MISMATCH, pattern, sizeof pattern);
        // A name too long for the line is shown cut; the check stands either way.
        formatBounded(text, sizeof text, pattern, name);
        showStatusText(dialog, text);
        keepStatusText(dialog);
        return;
    }
    }
}
