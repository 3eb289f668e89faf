#include "support/json_check.h"

#include "support/run.h"

namespace orvtest {

namespace {

char const kStrict[] = R"(
import json, sys
def constant(name):
    raise ValueError("not JSON: " + name)
def pairs(items):
    keys = [k for k, _ in items]
    if len(set(keys)) != len(keys):
        raise ValueError("duplicate key")
    return dict(items)
try:
    text = sys.stdin.buffer.read().decode("utf-8", "strict")
    value = json.loads(text, parse_constant=constant, object_pairs_hook=pairs)
except Exception as e:
    sys.stdout.write("invalid: %s" % e)
    sys.exit(0)
sys.stdout.write(json.dumps(value, ensure_ascii=True, separators=(",", ":")))
)";

}  // namespace

std::string json_canonical(std::string const& text) {
  run_opts opts;
  opts.input = text;
  result r = run({"/usr/bin/python3", "-c", kStrict}, {"PATH=/usr/bin:/bin"}, opts);
  if (r.code != 0) return "invalid: the parser failed: " + r.err;
  return r.out;
}

}  // namespace orvtest
