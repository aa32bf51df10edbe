#pragma once

// What libkpvprotocol exports: the packets, the codec and what both ends know of the methods. Every
// other symbol stays inside it.
#define KPV_PROTOCOL_EXPORT __attribute__((visibility("default")))
