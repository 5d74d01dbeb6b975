#pragma once
// Linear interpolation of a value at a point from the node values of a triangle, or of a
// 3- or 4-node element.
//
// A triangle's nodes N1, N2, N3 are x(1..3), y(1..3), z(1..3); arrays are indexed from 1
// (element 0 unused), as the region ring layout is, so a region's arrays can be passed as they
// are. The point is projected from N3 onto the line N1-N2 at Q; the value is interpolated along
// N1-Q and then along N3-P. Distances are unsigned: a point outside the triangle gets a
// mirrored value, so callers test inside first. Node values and results are single precision.
#include <cstdint>
#include <span>

// The value of a failed interpolation.
inline constexpr float kInterpolationFailed = -99999.0f;

// False, with the failure value, when the lines N1-N2 and N3-P are parallel.
bool INTERPOLATE_TRIANGLE(float px, float py, std::span<const float> x, std::span<const float> y,
                          std::span<const float> z, float& value);
// Q in double, distances as DISTANCE_8, value arithmetic in single.
bool INTERPOLATE_TRIANGLE_8(double px, double py, std::span<const double> x,
                            std::span<const double> y, std::span<const float> z, float& value);

// The same without the parallel test, for points known to lie in the triangle. Where N3-P is
// parallel to N1-N2 (inside a triangle only at N3 itself) the value is not a finite number.
void INTERPOLATE_TRIANGLE_NO_CHECKS(float px, float py, std::span<const float> x,
                                    std::span<const float> y, std::span<const float> z,
                                    float& value);
// Coordinates, Q and distances in double, the 1.0e-6 tolerance too; the two ratios are rounded
// to single.
void INTERPOLATE_TRIANGLE_NO_CHECKS_8(double px, double py, std::span<const double> x,
                                      std::span<const double> y, std::span<const float> z,
                                      float& value);

// An element of 3 nodes: the triangle's value when the point is inside, else false with the
// value unchanged. Of 4 nodes: the mean over the four triangles that each leave out one node
// and hold the point; none gives the failure value. Any other node count: false, value
// unchanged. xref is an x at or left of the element's smallest x.
bool INTERPOLATE_ELEMENT_8(double px, double py, std::span<const double> x,
                           std::span<const double> y, std::span<const float> z,
                           std::int32_t nodeCount, double xref, float& value);
