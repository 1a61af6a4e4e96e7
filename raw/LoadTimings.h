// How long each stage of the last RAW load took, in seconds (filled by the
// load; velmo-bench info prints them).
#pragma once

namespace velmo {

struct LoadTimings {
    double read = 0;     // opening the file: header, Exif block and CFA records
    double unpack = 0;   // unpacking compressed raw data (both blocks)
    double place = 0;    // placing the sensor rows
    double demosaic = 0; // camera settings, demosaicing, EXR frames and black level
    double previews = 0; // preview maps and white-balance estimates
    double total = 0;
};

} // namespace velmo
