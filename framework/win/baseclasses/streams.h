// The DirectShow base classes: filters, pins, media types, allocators'
// negotiation, the class factory and registration helpers. Include this one
// header.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

#include "framework/win/baseclasses/base_filter.h"
#include "framework/win/baseclasses/base_input_pin.h"
#include "framework/win/baseclasses/base_object.h"
#include "framework/win/baseclasses/base_output_pin.h"
#include "framework/win/baseclasses/base_pin.h"
#include "framework/win/baseclasses/critical_section.h"
#include "framework/win/baseclasses/dll_entry.h"
#include "framework/win/baseclasses/dll_setup.h"
#include "framework/win/baseclasses/enum_media_types.h"
#include "framework/win/baseclasses/enum_pins.h"
#include "framework/win/baseclasses/factory.h"
#include "framework/win/baseclasses/filter_mapper.h"
#include "framework/win/baseclasses/media_type.h"
#include "framework/win/baseclasses/missing_guids.h"
#include "framework/win/baseclasses/pos_pass_through.h"
#include "framework/win/baseclasses/pointer_checks.h"
#include "framework/win/baseclasses/ref_time.h"
#include "framework/win/baseclasses/registry.h"
#include "framework/win/baseclasses/setup.h"
#include "framework/win/baseclasses/trans_in_place_filter.h"
#include "framework/win/baseclasses/trans_in_place_pins.h"
#include "framework/win/baseclasses/transform_filter.h"
#include "framework/win/baseclasses/transform_pins.h"
#include "framework/win/baseclasses/unknown.h"
