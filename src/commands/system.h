// The system group: boot, and the power commands this build lacks.
#pragma once

void orvsystem(char const* const* argv);

void system_boot(char const* const* argv);
void system_halt(char const* const* argv);
void system_help(char const* const* argv);
void system_poweroff(char const* const* argv);
void system_reboot(char const* const* argv);
