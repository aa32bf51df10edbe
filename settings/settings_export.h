#pragma once

// What libkpvsettings exports: the configuration file as every program reads it. Every other symbol stays
// inside it.
#define KPV_SETTINGS_EXPORT __attribute__((visibility("default")))
