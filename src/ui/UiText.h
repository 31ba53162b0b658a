#pragma once

#include <QString>

// The interface text in the chosen language, from UTF-8 literals.
QString tr2(const char *english, const char *portuguese);
