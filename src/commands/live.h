// The live group: the service manager's live state.
#pragma once

#include <cstddef>
#include <cstdint>

void live(char const* const* argv);

void live_help(char const* const* argv);
void live_install(char const* const* argv);
void live_restart(char const* const* argv);
void live_start(char const* const* argv);
void live_start_everything(char const* const* argv);
void live_status(char const* const* argv);
void live_stop(char const* const* argv);
void live_stop_everything(char const* const* argv);
// The body of live start (up 1) and stop (up 0): returns the exit code.
int live_startstop(char const* const* argv, int up);
// One run of "tuvo" over names, with both locks held: snapshots the state,
// spawns and waits for the tool, reports a failed run when verbosity is not
// 0, and returns the exit code (the tool's below 128, else 128; 128 + n for
// death by signal n). Dies on its own failures.
int run_tuvo_change(char const* const* names, size_t nnames, int up, unsigned dryrun,
                    uint32_t timeout, uint32_t statesize, char const* compiled);
// Prints on standard output that the global state has not changed, or the
// names of the atomic services whose up/down bit differs between the n-byte
// snapshots. Dies with 111 (read or write failure) or 4 (invalid database,
// or one whose service count is not n) on failure.
void kx_report_state_change(uint32_t n, char const* before, char const* after, char const* compiled,
                            int up);
// Execs "tuvo" to start bundle (timeout in ms, 0 for none; dryrun 0 or 1);
// shared with system boot.
[[noreturn]] void exec_live_start_everything(uint32_t timeout, unsigned dryrun, char const* bundle);
