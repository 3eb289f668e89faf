// tb-tuvo-compile SOURCE OUTDIR
//
// Turns a readable service description into a compiled database folder for
// the tuvo stand-ins: "n" and "db" in the service manager's formats, an empty
// "lock", and the side files tb-bundles and tb-essentials.
//
// SOURCE ("-" for standard input) holds one statement a line; words are
// separated by blanks; '#' starts a comment:
//
//   longrun NAME [deps DEP...]
//   oneshot NAME [deps DEP...] [up WORD...] [down WORD...]
//   bundle NAME CONTENT...
//   essential NAME...
//
// A oneshot is a command service; "up" and "down" give its two vectors
// (default: the single word "true"; a keyword with no word gives an empty
// vector). DEP, CONTENT and the essential names may name bundles, which stand
// for their atomic services; bundles may contain bundles, declared in any
// order. Longruns take the first indices, then oneshots, each group in
// declaration order. Names must be unique; dependency cycles are refused.
//
// Exit: 0 done, 1 bad description (message names the line), 111 system error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "tbrecord.h"
#include "tbtuvo.h"

namespace {

struct decl {
  int line;
  std::string kind, name;
  std::vector<std::string> deps, up{"true"}, down{"true"};
  std::vector<std::string> contents;  // bundle contents or essential names
};

[[noreturn]] void bad(int line, std::string const& msg) {
  tb_fail(1, "line " + std::to_string(line) + ": " + msg);
}

std::vector<decl> parse(std::istream& in) {
  std::vector<decl> out;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    text = text.substr(0, text.find('#'));
    std::istringstream ws(text);
    std::vector<std::string> w;
    for (std::string s; ws >> s;) w.push_back(s);
    if (w.empty()) continue;
    decl d;
    d.line = line;
    d.kind = w[0];
    if (d.kind == "essential") {
      d.contents.assign(w.begin() + 1, w.end());
    } else if (d.kind == "bundle") {
      if (w.size() < 2) bad(line, "bundle needs a name");
      d.name = w[1];
      d.contents.assign(w.begin() + 2, w.end());
    } else if (d.kind == "longrun" || d.kind == "oneshot") {
      if (w.size() < 2) bad(line, d.kind + " needs a name");
      d.name = w[1];
      std::vector<std::string>* into = nullptr;
      for (size_t i = 2; i < w.size(); ++i) {
        if (w[i] == "deps") {
          into = &d.deps;
        } else if (d.kind == "oneshot" && (w[i] == "up" || w[i] == "down")) {
          into = w[i] == "up" ? &d.up : &d.down;
          into->clear();
        } else if (into) {
          into->push_back(w[i]);
        } else {
          bad(line, "unexpected word: " + w[i]);
        }
      }
    } else {
      bad(line, "unknown statement: " + d.kind);
    }
    out.push_back(std::move(d));
  }
  return out;
}

tbtuvo::database build(std::vector<decl> const& decls) {
  tbtuvo::database db;
  std::map<std::string, decl const*> byname;
  for (auto const& d : decls) {
    if (d.name.empty()) continue;
    if (!byname.emplace(d.name, &d).second) bad(d.line, "duplicate name: " + d.name);
  }
  std::vector<decl const*> atomics;
  for (char const* kind : {"longrun", "oneshot"})
    for (auto const& d : decls)
      if (d.kind == kind) atomics.push_back(&d);
  for (auto const* d : atomics) {
    tbtuvo::service s;
    s.name = d->name;
    s.longrun = d->kind == "longrun";
    if (!s.longrun) {
      s.vec[0] = d->up;
      s.vec[1] = d->down;
    }
    db.services.push_back(std::move(s));
  }
  db.nlongrun = 0;
  for (auto const* d : atomics) db.nlongrun += d->kind == "longrun";

  // Flatten a name to atomic indices, following bundles, refusing loops.
  std::map<std::string, int> visiting;
  std::function<void(std::string const&, int, std::vector<uint32_t>&)> flatten =
      [&](std::string const& name, int line, std::vector<uint32_t>& out) {
        long i = db.index(name);
        if (i >= 0) {
          if (std::find(out.begin(), out.end(), i) == out.end())
            out.push_back(static_cast<uint32_t>(i));
          return;
        }
        auto it = byname.find(name);
        if (it == byname.end() || it->second->kind != "bundle")
          bad(line, "unknown service name: " + name);
        if (visiting[name]++) bad(line, "bundle contains itself: " + name);
        for (auto const& c : it->second->contents) flatten(c, it->second->line, out);
        visiting[name]--;
      };

  for (size_t i = 0; i < atomics.size(); ++i)
    for (auto const& dep : atomics[i]->deps) {
      std::vector<uint32_t> r;
      flatten(dep, atomics[i]->line, r);
      for (uint32_t j : r) {
        if (j == i) bad(atomics[i]->line, atomics[i]->name + " depends on itself");
        auto& deps = db.services[i].deps;
        if (std::find(deps.begin(), deps.end(), j) == deps.end()) deps.push_back(j);
      }
    }
  for (auto const& d : decls)
    if (d.kind == "bundle") {
      tbtuvo::bundle b{d.name, {}};
      for (auto const& c : d.contents) flatten(c, d.line, b.contents);
      db.bundles.push_back(std::move(b));
    }
  db.essential.assign(db.services.size(), false);
  for (auto const& d : decls)
    if (d.kind == "essential") {
      std::vector<uint32_t> r;
      for (auto const& c : d.contents) flatten(c, d.line, r);
      for (uint32_t j : r) db.essential[j] = true;
    }

  // Cycles would make start and stop orders meaningless.
  std::vector<int> mark(db.services.size(), 0);
  std::function<void(uint32_t)> visit = [&](uint32_t i) {
    if (mark[i] == 2) return;
    if (mark[i] == 1) bad(atomics[i]->line, "dependency cycle through " + db.services[i].name);
    mark[i] = 1;
    for (uint32_t j : db.services[i].deps) visit(j);
    mark[i] = 2;
  };
  for (uint32_t i = 0; i < db.services.size(); ++i) visit(i);
  return db;
}

}  // namespace

int main(int argc, char** argv) {
  tb_record(argc, argv);
  if (argc != 3) tb_fail(100, "usage: tb-tuvo-compile SOURCE OUTDIR");
  std::string source = argv[1];
  std::vector<decl> decls;
  if (source == "-") {
    decls = parse(std::cin);
  } else {
    std::ifstream in(source);
    if (!in) tb_fail(111, "unable to open " + source);
    decls = parse(in);
  }
  tbtuvo::database db = build(decls);
  std::string err;
  if (!tbtuvo::write_compiled(db, argv[2], err)) tb_fail(111, err);
  return 0;
}
