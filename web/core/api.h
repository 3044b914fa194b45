// The C interface of web/core/api.cpp, for the native build that the
// agreement test compares the WebAssembly one with.
#pragma once

extern "C" {
const char* mv_range_rules();
int mv_breaks(int field, double value);
const char* mv_encode(double latD, double latM, double latS, int south, double lonD, double lonM, double lonS,
                      int west, int length);
const char* mv_encode_exact(const char* latD, const char* latM, const char* latS, int south, const char* lonD,
                            const char* lonM, const char* lonS, int west, int length);
const char* mv_locator_at(double latitude, double longitude, int length);
const char* mv_locator_to_dms(const char* text);
int mv_check(const char* text);
const char* mv_path(const char* base, const char* target);
const char* mv_centre(const char* text);
const char* mv_read_position(const char* text, int length);
double mv_km_to_miles(double kilometres);
double mv_earth_circumference_km();
double mv_path_kilometres(const char* base, const char* target);
}
