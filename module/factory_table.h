// The module's table of creatable classes: six filters and nine property
// pages, one row each (module/factory_table.cpp). The class factory and
// registration read it as g_Templates / g_cTemplates.
#pragma once

#include "framework/win/baseclasses/streams.h"

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;
