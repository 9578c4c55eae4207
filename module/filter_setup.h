// What the filter mapper is told about the overlay filter: its name, merit, pins and types.
#pragma once

#include "baseclasses/amovie_setup.h"

extern const AMOVIESETUP_MEDIATYPE sudPinTypes;
extern const AMOVIESETUP_PIN psudPins[2];
extern const AMOVIESETUP_FILTER sudDirectQuorbit;
