#include "cpu68k/op_switch.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "cpu68k/exceptions.h"

uint16_t opClassTable[OPCODE_COUNT];
#define OP_CLASS_HANDLER(k, ...) &opHandler<__VA_ARGS__>,
const OpHandler opClassHandlers[] = {OP_CLASS_LIST(OP_CLASS_HANDLER) nullptr};

void runOpClass(uint32_t opClass, uint32_t opcode) { switchOpClass(opClass, opcode); }

void buildOpClassTable() {
  // Handlers sorted by address, to find each opcode's class by a binary search.
  std::vector<std::pair<OpHandler, uint16_t>> classes;
  for (uint16_t k = 0; opClassHandlers[k]; ++k)
    classes.emplace_back(opClassHandlers[k], k);
  const uint16_t illegal = uint16_t(classes.size());
  const auto byAddress = [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); };
  std::sort(classes.begin(), classes.end(), byAddress);
  for (int op = 0; op < OPCODE_COUNT; ++op) {
    if (opHandlerTable[op] == illegalInstruction) {
      opClassTable[op] = illegal;
      continue;
    }
    const auto found = std::lower_bound(classes.begin(), classes.end(), std::pair(opHandlerTable[op], uint16_t(0)), byAddress);
    if (found == classes.end() || found->first != opHandlerTable[op])
      abort();
    opClassTable[op] = found->second;
  }
}
