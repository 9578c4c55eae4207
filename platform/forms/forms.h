// The forms service: a form and the controls the settings page uses, after the platform's
// managed forms library. One API; one backend per platform (Linux: headless, see
// platform/forms/headless/). Everything runs on the thread that owns the form.
#pragma once

#include "platform/forms/button.h"
#include "platform/forms/check_box.h"
#include "platform/forms/decimal.h"
#include "platform/forms/form.h"
#include "platform/forms/label.h"
#include "platform/forms/numeric_up_down.h"
#include "platform/forms/open_file_dialog.h"
#include "platform/forms/text_box.h"
#include "platform/forms/text_measure.h"
