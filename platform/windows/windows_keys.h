// The console's key records in the portable form of the key rule.
#pragma once

#include "key_rule.h"
#include "win_api.h"

KeyEventInfo KeyEventFromRecord(const KEY_EVENT_RECORD& record);
