// Build-time generator of the opcode handler list: expands the pattern table,
// runs the sharing pass and writes one list row per handler class (ordered by
// opcode), the explicit instantiations of the handler family, split into
// shards that compile in parallel, and the switch of the browser build. An
// opcode that two rows produce fails the build here (start-up only reports it).
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cpu68k/cpu_tables.h"
#include "cpu68k/decode_table.h"
#include "cpu68k/handler_family.h"
#include "cpu68k/handler_key.h"
#include "files/file_read.h"

namespace {

std::string templateArgs(const HandlerKey& k) {
  char text[96];
  snprintf(text, sizeof text, "%u, %u, %u, %u, %u, %u, %u", k.mnemonic, k.size, k.firstMode, k.secondMode, k.cc,
           k.firstPos, k.secondPos);
  return text;
}

bool writeIfChanged(const std::string& path, const std::string& text) {
  // A file longer than the text is refused unread: it differs anyway.
  std::vector<uint8_t> existing;
  if (readRegularFile(path.c_str(), text.size(), existing) && std::string(existing.begin(), existing.end()) == text)
    return true;
  FILE* out = fopen(path.c_str(), "wb");
  if (!out)
    return false;
  fwrite(text.data(), 1, text.size(), out);
  return fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s OUTPUT_DIR SHARD_COUNT\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const int shards = atoi(argv[2]);
  static InstrEntry table[OPCODE_COUNT];
  clearDecodeTable(table);
  const Expansion expansion = expandPatternRows(patternRows, PATTERN_ROW_COUNT, mnemonicTable, table);
  if (expansion.doubleMatches) {
    fprintf(stderr, "%d opcodes produced by two pattern rows: the handler list is not written\n",
            expansion.doubleMatches);
    return 1;
  }
  shareHandlers(table);

  std::string list = "// Generated from the pattern table; do not edit.\n#include \"cpu68k/handler_family.h\"\n\n"
                     "const HandlerListEntry handlerList[] = {\n";
  std::vector<std::string> functions;
  std::set<std::string> seen;
  for (uint32_t op = 0; op < OPCODE_COUNT; ++op) {
    const InstrEntry& e = table[op];
    if (e.mnemonic == MN_ILLEGAL || e.representative != NO_REPRESENTATIVE)
      continue;
    const std::string args = templateArgs(handlerKeyOf(e));
    char row[160];
    snprintf(row, sizeof row, "    {&opHandler<%s>, HANDLER_BEFORE_SHARING, 0x%04X},\n", args.c_str(), op);
    list += row;
    if (seen.insert(args).second)
      functions.push_back(args);
  }
  list += "    {nullptr, HANDLER_BEFORE_SHARING, 0},\n};\n";
  if (!writeIfChanged(dir + "/handler_list.cpp", list))
    return 1;
  for (int s = 0; s < shards; ++s) {
    std::string shard = "// Generated from the pattern table; do not edit.\n#include \"cpu68k/handler_ops.h\"\n\n";
    for (size_t f = size_t(s); f < functions.size(); f += size_t(shards))
      shard += "template void opHandler<" + functions[f] + ">(uint32_t);\n";
    if (!writeIfChanged(dir + "/handler_shard_" + std::to_string(s) + ".cpp", shard))
      return 1;
  }
  // The browser build's dispatch: the handler classes as a list macro, X(class, template arguments)
  // in class order, for the switch and for the table of each class's handler.
  std::string classes = "// Generated from the pattern table; do not edit.\n#pragma once\n\n#define OP_CLASS_LIST(X) \\\n";
  for (size_t f = 0; f < functions.size(); ++f)
    classes += "  X(" + std::to_string(f) + ", " + functions[f] + ") \\\n";
  classes += "\n";
  if (!writeIfChanged(dir + "/handler_classes.h", classes))
    return 1;
  printf("%zu handler functions\n", functions.size());
  return 0;
}
