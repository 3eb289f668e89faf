// The top-level commands besides the groups.
#pragma once

void main_help(char const* const* argv);
void main_version(char const* const* argv);
