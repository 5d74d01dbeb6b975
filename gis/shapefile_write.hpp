#pragma once
// The shapefile writers: the 100-byte header of a .shp or .shx, and one main-file record with its
// index entry (shapefile_write.cpp). gisWriteHeader and gisWriteObject call them.
#include "gis/gis_state.hpp"

void shpWriteHeader(ShpSubLayer& shp, int unitLE, int unitBE);
void shpWriteObject(GisObject& gisO, ShpSubLayer& shp);
