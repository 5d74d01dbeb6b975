#pragma once
// An output layer whose files lost bytes to a failed write, cut back to the records that all its
// files hold whole (layer_cut.cpp). A failed write or flush may leave one file of a layer ending
// inside a record and another without the last records it was given; the close cuts them back
// to the records they share and then completes the layer from those, so that what a failed run
// leaves is a readable layer of the records before the failure.
#include "gis/gis_state.hpp"

// A shapefile sub-layer (or a table opened alone): its .shp, .shx and .dbf cut to the records
// all of them hold whole, and its record counts, file length and box set from those records, for
// the close to write into the headers. False, with nothing cut, when a file has no whole header:
// nothing can then make the sub-layer readable.
bool shpCutToWholeRecords(ShpSubLayer& shp, DbfSubLayer& dbf);

// A MIF/MID pair (or a table of .csv rows): both files cut to the objects and rows they both hold
// whole, and the layer's counts set to them. False, with nothing cut, when the .mif has no whole
// header.
bool mifCutToWholeRecords(MifLayer& mif);
