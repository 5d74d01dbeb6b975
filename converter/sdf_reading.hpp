#pragma once
// The two reading passes over the open SDF file: the streams pass writes each reach's centre
// line to the streams layer; the cross-section pass, which carries on from where the first one
// stopped, collects each cross-section and hands it to the section processing at its END: line.
// line is the 1000-character line buffer, lineNo the number of the line last read.
#include <cstdint>
#include <string>

#include "converter/run_options.hpp"

// The parts of an SDF export that the passes met. A file that holds neither is no SDF export:
// the cross-section pass ends the run with an error rather than report it converted.
struct SdfFileParts {
  bool streamNetwork = false;  // a BEGIN STREAM NETWORK: (or BEGINSTREAMNETWORK:) line
  bool crossSections = false;  // a BEGIN CROSS-SECTIONS: line, or a cross-section read
  // The streams pass ended, without an END STREAM NETWORK: line, at a line of the cross-sections
  // (BEGIN CROSS-SECTIONS: or CROSS-SECTION:), which is left in the buffer for the cross-section
  // pass to test first.
  bool crossSectionLineRead = false;
};

void sdfStreamsPass(int sdfUnit, const std::string& inputName, std::string& line, std::int64_t& lineNo,
                    const SdfRunOptions& options, SdfFileParts& parts);
// The end of the file inside a cross-section (one whose END: line never came) ends the run with
// an error naming the line where that section began.
void sdfCrossSectionPass(int sdfUnit, const std::string& inputName, std::string& line, std::int64_t& lineNo,
                         const SdfRunOptions& options, SdfFileParts& parts);
