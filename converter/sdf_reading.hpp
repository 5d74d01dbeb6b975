#pragma once
// The two reading passes over the open SDF file: the streams pass writes each reach's centre
// line to the streams layer; the cross-section pass, which carries on from where the first one
// stopped, collects each cross-section and hands it to the section processing at its END: line.
// line is the 1000-character line buffer, lineNo the number of the line last read.
#include <string>

#include "converter/run_options.hpp"

void sdfStreamsPass(int sdfUnit, const std::string& inputName, std::string& line, int& lineNo,
                    const SdfRunOptions& options);
void sdfCrossSectionPass(int sdfUnit, const std::string& inputName, std::string& line, int& lineNo,
                         const SdfRunOptions& options);
