#pragma once

// The command-line options of one conversion run, set by the main program and
// read by the two SDF reading passes.
struct SdfRunOptions {
  bool shpOutput = false;    // "-shp": shapefiles, projection from a .prj file
  bool mifOutput = false;    // "-mif": MIF/MID layers, projection from a .mif file
  bool trimToLevees = true;  // false after "-notrim": sections keep all their points
};
