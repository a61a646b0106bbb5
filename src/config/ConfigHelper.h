#pragma once
// Every option table of the settings record, for callers that want them all.

#include "config/LineOptions.h"
#include "config/OutputOptions.h"
#include "config/ProcessingOptions.h"
