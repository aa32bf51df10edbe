#pragma once

// What the package shows the host; everything else stays inside the library.
#define KPV41000_EXPORT __attribute__((visibility("default")))
