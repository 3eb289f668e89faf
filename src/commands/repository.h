// The repository group: the service manager's repository of sets.
#pragma once

void repository(char const* const* argv);

void repository_check(char const* const* argv);
void repository_help(char const* const* argv);
void repository_init(char const* const* argv);
void repository_list(char const* const* argv);
void repository_sync(char const* const* argv);
