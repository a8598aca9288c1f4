// Definition of the handler family: each instantiation of opHandler is the
// handler of one class of opcodes. Included only by the generated shards.
#pragma once
#include "cpu68k/handler_family.h"
#include "cpu68k/ops_arith.h"
#include "cpu68k/ops_bits.h"
#include "cpu68k/ops_control.h"

namespace cpu {

// Instructions that take vector 8 in user mode before doing anything: the
// rows whose privilege column is PRIVILEGE_SUPERVISOR. The opcode sweep of the
// CPU tests checks every opcode against the rows.
template <uint32_t MN, uint32_t SIZE> inline constexpr bool PRIVILEGED =
    ((MN == MN_ORSR || MN == MN_ANDSR || MN == MN_EORSR || MN == MN_MV2SR) && SIZE == SIZE_WORD) ||
    MN == MN_MVR2USP || MN == MN_MVUSP2R || MN == MN_RESET || MN == MN_STOP || MN == MN_RTE;

} // namespace cpu

template <uint32_t MN, uint32_t SIZE, uint32_t FIRST, uint32_t SECOND, uint32_t CC, uint32_t FIRST_POS,
          uint32_t SECOND_POS>
void opHandler(uint32_t opcode) {
  using namespace cpu;
  if constexpr (PRIVILEGED<MN, SIZE>) {
    if (!cpuState.s) {
      privilegeViolation();
      return;
    }
  }
  if constexpr (MN == MN_OR || MN == MN_AND || MN == MN_EOR || MN == MN_ADD || MN == MN_SUB || MN == MN_CMP)
    binaryOp<MN, SIZE, FIRST, SECOND, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (MN == MN_ADDA || MN == MN_SUBA || MN == MN_CMPA)
    addressOp<MN, SIZE, FIRST, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (MN == MN_ADDX || MN == MN_SUBX)
    extendOp<MN, SIZE, FIRST, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (MN == MN_NEG || MN == MN_NEGX || MN == MN_NOT || MN == MN_CLR || MN == MN_TST)
    unaryOp<MN, SIZE, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_MOVE || MN == MN_MOVEA)
    moveOp<MN, SIZE, FIRST, SECOND, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (MN == MN_SWAP || MN == MN_EXT)
    registerOp<MN, SIZE>(opcode);
  else if constexpr (MN == MN_EXG)
    exchangeOp<FIRST, SECOND>(opcode);
  else if constexpr (MN == MN_MULU || MN == MN_MULS)
    multiplyOp<MN, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_DIVU || MN == MN_DIVS)
    divideOp<MN, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_ABCD || MN == MN_SBCD)
    decimalOp<MN, FIRST>(opcode);
  else if constexpr (MN == MN_NBCD)
    negateDecimalOp<FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_CHK)
    checkOp<SIZE, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_CMPM)
    binaryOp<MN_CMP, SIZE, MODE_AIPI, MODE_AIPI, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (isBitOperation(MN))
    bitOp<MN, FIRST, SECOND, SECOND_POS>(opcode);
  else if constexpr (isRegisterShift(MN))
    shiftRegisterOp<MN, SIZE, FIRST>(opcode);
  else if constexpr (isMemoryShift(MN))
    shiftMemoryOp<MN, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_MVPMR || MN == MN_MVPRM)
    movepOp<MN, SIZE>(opcode);
  else if constexpr (MN == MN_MVMLE)
    movemToMemoryOp<SIZE, SECOND>(opcode);
  else if constexpr (MN == MN_MVMEL)
    movemToRegistersOp<SIZE, SECOND>(opcode);
  else if constexpr (MN == MN_TAS)
    testAndSetOp<FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_SCC)
    setConditionOp<CC, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_BCC || MN == MN_BSR)
    branchOp<MN, CC, FIRST>(opcode);
  else if constexpr (MN == MN_DBCC)
    decrementBranchOp<CC>(opcode);
  else if constexpr (MN == MN_LEA || MN == MN_PEA || MN == MN_JMP || MN == MN_JSR)
    addressUseOp<MN, FIRST, FIRST_POS, SECOND_POS>(opcode);
  else if constexpr (MN == MN_LINK)
    linkOp(opcode);
  else if constexpr (MN == MN_UNLK)
    unlinkOp(opcode);
  else if constexpr (MN == MN_RTS)
    returnOp();
  else if constexpr (MN == MN_RTD)
    returnDeallocateOp();
  else if constexpr (MN == MN_RTR)
    returnRestoreOp();
  else if constexpr (MN == MN_RTE)
    returnExceptionOp();
  else if constexpr (MN == MN_ORSR || MN == MN_ANDSR || MN == MN_EORSR)
    statusImmediateOp<MN, SIZE>();
  else if constexpr (MN == MN_MV2SR)
    moveToStatusOp<SIZE, FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_MVSR2)
    moveFromStatusOp<FIRST, FIRST_POS>(opcode);
  else if constexpr (MN == MN_MVR2USP)
    cpuState.usp = areg(opcode & 7);
  else if constexpr (MN == MN_MVUSP2R)
    areg(opcode & 7) = cpuState.usp;
  else if constexpr (MN == MN_STOP)
    stopOp();
  else if constexpr (MN == MN_TRAP)
    takeException(VECTOR_TRAP_BASE + (opcode & 15));
  else if constexpr (MN == MN_TRAPV) {
    if (ccrWord & CCR_V)
      takeException(VECTOR_TRAPV);
  } else if constexpr (MN == MN_RESET || MN == MN_NOP) {
    // No device is reset; nothing to do.
  } else {
    static_assert(MN == MN_NOP, "operation without a handler");
  }
}
