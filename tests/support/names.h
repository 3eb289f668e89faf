// The support names the test files use unqualified, brought in once.
#pragma once

#include <string>
#include <vector>

#include "support/handoff.h"
#include "support/json_check.h"
#include "support/run.h"

using orvtest::bin_path;
using orvtest::cli_row;
using orvtest::file_exists;
using orvtest::json_canonical;
using orvtest::orv_path;
using orvtest::read_file;
using orvtest::result;
using orvtest::run;
using orvtest::tempdir;
using orvtest::testbed_bin;
using orvtest::testbed_env;
using orvtest::write_file;
using strings = std::vector<std::string>;
