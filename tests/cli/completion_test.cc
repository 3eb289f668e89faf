// Shell completion: the bash function driven the way bash drives it, one
// command line per case; the zsh and fish files loaded by their shells and
// their name listings checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/names.h"
#include "support/run.h"

namespace {

using vec = std::vector<std::string>;

std::string const kCompletions = std::string(ORV_SOURCE_DIR) + "/completions";

// Fills COMP_WORDS as bash does (split at blanks, "=" and ":" words of their
// own, an empty word after a trailing blank), calls _orv and prints each reply
// on a line. Arguments: the completion file, the command line.
char const kBashDriver[] = R"(
source "$1" || exit 3
line=$2
COMP_LINE=$line COMP_POINT=${#line} COMP_WORDS=()
read -ra blanks <<<"$line"
for w in "${blanks[@]}"; do
  while [[ $w == *[=:]* ]]; do
    pre=${w%%[=:]*}
    [[ -n $pre ]] && COMP_WORDS+=("$pre")
    COMP_WORDS+=("${w:${#pre}:1}")
    w=${w:${#pre}+1}
  done
  [[ -n $w ]] && COMP_WORDS+=("$w")
done
[[ $line == *' ' ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
_orv 2>/dev/null
for r in "${COMPREPLY[@]}"; do printf '%s\n' "$r"; done
)";

// A scan directory with two services, a link to one, a file and a hidden
// directory; a repository with two saved sets, the working set and a hidden
// entry.
class Completion : public testing::Test {
 protected:
  void SetUp() override {
    for (char const* d : {"sd", "sd/web", "sd/db", "sd/my svc", "sd/.hidden", "repo", "repo/sets",
                          "repo/sets/mine", "repo/sets/old", "repo/sets/current"})
      ASSERT_EQ(mkdir((dir / d).c_str(), 0755), 0) << d;
    ASSERT_EQ(symlink("web", (dir / "sd/alias").c_str()), 0);
    write_file(dir / "sd/notes", "not a service\n");
    write_file(dir / "repo/sets/.lock", "");
  }

  // "@" in the line and the variables stands for the temporary directory.
  std::string subst(std::string s) const {
    for (size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, dir.path());
    return s;
  }

  result bash(std::string const& line, vec const& vars = {}) const {
    vec env = {"PATH=/usr/bin:/bin", "HOME=" + dir.path()};
    for (auto const& v : vars) env.push_back(subst(v));
    return run({"/bin/bash", "--norc", "--noprofile", "-c", kBashDriver, "bash",
                kCompletions + "/orv.bash", subst(line)},
               env);
  }

  tempdir dir;
};

std::string lines(vec const& v) {
  std::string s;
  for (auto const& l : v) s += l + "\n";
  return s;
}

TEST_F(Completion, BashRegistersTheFunction) {
  result r = run({"/bin/bash", "--norc", "--noprofile", "-c", "source \"$1\" && complete -p orv",
                  "bash", kCompletions + "/orv.bash"},
                 {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "complete -F _orv orv\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Completion, BashCompletesCommandLines) {
  struct {
    char const* line;
    vec vars;
    vec replies;
  } const cases[] = {
      {"orv ", {}, {"help", "live", "process", "repository", "set", "system", "version"}},
      {"orv -",
       {},
       {"-h", "-V", "-v", "-s", "-l", "-r", "-c", "--help", "--version",
        "--verbosity=", "--scandir=", "--livedir=", "--repodir=", "--bootdb=", "--stmpdir=",
        "--storelist=", "--color="}},
      {"orv --co", {}, {"--color="}},
      // bash keeps what comes before the "=": the replies are the values.
      {"orv --color=", {}, {"yes", "no", "auto"}},
      {"orv --color=a", {}, {"auto"}},
      {"orv -v ", {}, {"0", "1", "2", "3"}},
      {"orv --verbosity=2 re", {}, {"repository"}},
      {"orv live ",
       {},
       {"help", "install", "restart", "start", "start-everything", "status", "stop",
        "stop-everything"}},
      {"orv -- live -- st", {}, {"start", "start-everything", "status", "stop", "stop-everything"}},
      {"orv system h", {}, {"halt", "help"}},
      {"orv version ", {}, {}},
      {"orv live start -", {}, {"-n", "-t", "--dry-run", "--timeout="}},
      {"orv live install --",
       {},
       {"--block", "--keep-old", "--init", "--force-essentials", "--no-force-essentials",
        "--conversion-file="}},
      // Options end at the first operand, and after "--".
      {"orv live start web -", {}, {}},
      {"orv live start -- -", {}, {}},
      {"orv process kill -",
       {},
       {"-W", "-w", "-s", "-t", "--no-wait", "--wait", "--signal=", "--timeout="}},
      {"orv process kill -ws US", {}, {"USR1", "USR2"}},
      {"orv process kill --signal=HU", {}, {"HUP"}},
      {"orv set enable -I ", {}, {"fail", "warn", "pull"}},
      {"orv set enable --if-dependencies-found=p", {}, {"pull"}},
      {"orv repository check --f", {}, {"--force-essential", "--fix"}},
      {"orv system boot -D", {}, {"-D"}},
      // Service directories of the scan directory: from -s, --scandir= or the
      // exported variable; directories and links to them, nothing hidden.
      {"orv -s @/sd process start ", {}, {"alias", "db", "my\\ svc", "web"}},
      {"orv -s@/sd process restart -w -t 5 ", {}, {"alias", "db", "my\\ svc", "web"}},
      {"orv --scandir=@/sd process status -l w", {}, {"web"}},
      {"orv process status -", {}, {"-L", "-l", "--without-logs", "--with-logs", "--json"}},
      {"orv live status --j", {}, {"--json"}},
      {"orv --scandir=@/sd process status --json -l w", {}, {"web"}},
      {"orv -s '@/sd' process stop -- w", {}, {"web"}},
      {"orv process kill -s HUP d", {"scandir=@/sd"}, {"db"}},
      {"orv -s /nonexistent process stop ", {"scandir=@/sd"}, {}},
      {"orv -s @/sd live start ", {}, {}},
      // Saved sets: not the working set, nothing hidden, each once.
      {"orv -r @/repo set load ", {}, {"mine", "old"}},
      {"orv -r @/repo set load mine ", {}, {}},
      {"orv --repodir=@/repo set delete mine ", {}, {"old"}},
      {"orv set delete ", {"repodir=@/repo"}, {"mine", "old"}},
      {"orv -r @/nowhere set delete ", {"repodir=@/repo"}, {}},
      {"orv -r @/repo set save ", {}, {}},
      // Directory values.
      {"orv --scandir=@/s", {}, {"@/sd"}},
      {"orv -r @/re", {}, {"@/repo"}},
  };
  for (auto const& c : cases) {
    vec want;
    for (auto const& r : c.replies) want.push_back(subst(r));
    result r = bash(c.line, c.vars);
    EXPECT_EQ(r.code, 0) << c.line << "\n" << r.err;
    EXPECT_EQ(r.out, lines(want)) << c.line;
  }
}

TEST_F(Completion, BashRunsNothing) {
  // A PATH with nothing on it: completion must not need any program.
  result r = run({"/bin/bash", "--norc", "--noprofile", "-c", kBashDriver, "bash",
                  kCompletions + "/orv.bash", subst("orv -s @/sd process kill ")},
                 {"PATH=" + (dir / "none")});
  EXPECT_EQ(r.out, lines({"alias", "db", "my\\ svc", "web"})) << r.err;
}

TEST_F(Completion, ZshLoadsAndListsNames) {
  if (access("/usr/bin/zsh", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/zsh";
  // compinit finds _orv by its #compdef line; autoload +X parses it.
  result r = run({"/usr/bin/zsh", "-f", "-c",
                  "fpath=($1 $fpath); autoload -Uz compinit; compinit -u -D; "
                  "print -r -- $_comps[orv]; autoload +X _orv && whence -w _orv",
                  "zsh", kCompletions},
                 {"PATH=/usr/bin:/bin", "HOME=" + dir.path()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "_orv\n_orv: function\n");
  EXPECT_EQ(r.err, "");

  // The name listings, with the completion builtins stubbed out.
  r = run({"/usr/bin/zsh", "-f", "-c",
           "_arguments() { return 1 }; source $1 2>/dev/null; "
           "_wanted() { print -r -- ${(Pj:,:)${@[-1]}} }; "
           "typeset -A _orv_opts; _orv_given=(old); "
           "_orv_opts[-s]=$2/sd; _orv_services; _orv_opts=(--repodir $2/repo); _orv_sets",
           "zsh", kCompletions + "/_orv", dir.path()},
          {"PATH=/usr/bin:/bin", "HOME=" + dir.path()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "alias,db,my svc,web\nmine\n");
}

TEST_F(Completion, FishListsNames) {
  if (access("/usr/bin/fish", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/fish";
  result r = run({"/usr/bin/fish", "--no-config", "-c",
                  "source $argv[1]; and complete -C\"orv -s $argv[2]/sd process start \"; "
                  "and complete -C\"orv -r $argv[2]/repo set load \"; "
                  "and complete -C\"orv live st\"; and complete -C\"orv process status --j\"",
                  kCompletions + "/orv.fish", dir.path()},
                 {"PATH=/usr/bin:/bin", "HOME=" + dir.path()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "alias\tservice directory\ndb\tservice directory\nmy svc\tservice directory\n"
            "web\tservice directory\nmine\tsaved set\nold\tsaved set\n"
            "start\nstart-everything\nstatus\nstop\nstop-everything\n"
            "--json\tprint one JSON array for scripts\n");
}

}  // namespace
