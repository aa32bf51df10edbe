#pragma once

// What libkpvframework exports: the classes and functions the host and the packages use
// (tests/framework/test_exports.cpp keeps it to those). Every other symbol stays inside it.
#define KPV_FRAMEWORK_EXPORT __attribute__((visibility("default")))
