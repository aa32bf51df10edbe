#pragma once

// What libkpvdb exports: the schema, the dialects, settings and opening, and the server's connections.
// Every other symbol stays inside it.
#define KPV_DB_EXPORT __attribute__((visibility("default")))
