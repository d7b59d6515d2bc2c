#include "busy_map.h"

#include "map/ground_map.h"

void makeBusyMap(GroundMap& map) { makeBusyMapOf(map); }
