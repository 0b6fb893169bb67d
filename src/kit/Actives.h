#pragma once
// The kit's active controls and the formatted label, all at once; a file that needs only one of
// them may include its own header.
#include "kit/ActiveLabel.h"
#include "kit/Checks.h"
#include "kit/ControlBase.h"
#include "kit/Edits.h"
#include "kit/FmtLabel.h"
#include "kit/TextDraw.h"
