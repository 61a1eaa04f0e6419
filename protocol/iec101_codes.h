#pragma once
#include <cstdint>

// The numbers of IEC 60870-5-101 that more than one role speaks: type
// identifications, causes of transmission, link function codes and control
// field bits. One place, so that the master, the slave, the monitor and the
// decoders read a frame the same way.

// ---- Type identification ----
// Names, decoders and roles read only its low 7 bits.
inline constexpr uint8_t kTypeIdMask = 0x7F;
constexpr uint8_t TypeCode(uint8_t typeIdOctet) { return typeIdOctet & kTypeIdMask; }

inline constexpr uint8_t kTypeSinglePoint = 1;
inline constexpr uint8_t kTypeDoublePoint = 3;
inline constexpr uint8_t kTypeStepPosition = 5;
inline constexpr uint8_t kTypeMeasuredNormalized = 9;
inline constexpr uint8_t kTypeMeasuredScaled = 11;
inline constexpr uint8_t kTypeMeasuredFloat = 13;
inline constexpr uint8_t kTypeIntegratedTotals = 15;
inline constexpr uint8_t kTypeSinglePointTimed = 30;
inline constexpr uint8_t kTypeDoublePointTimed = 31;
inline constexpr uint8_t kTypeStepPositionTimed = 32;
inline constexpr uint8_t kTypeMeasuredNormalizedTimed = 34;
inline constexpr uint8_t kTypeMeasuredScaledTimed = 35;
inline constexpr uint8_t kTypeMeasuredFloatTimed = 36;
inline constexpr uint8_t kTypeIntegratedTotalsTimed = 37;
inline constexpr uint8_t kTypeSingleCommand = 45;
inline constexpr uint8_t kTypeDoubleCommand = 46;
inline constexpr uint8_t kTypeStepCommand = 47;
inline constexpr uint8_t kTypeSetpointNormalized = 48;
inline constexpr uint8_t kTypeSetpointScaled = 49;
inline constexpr uint8_t kTypeSetpointFloat = 50;
inline constexpr uint8_t kTypeEndOfInitialisation = 70;
inline constexpr uint8_t kTypeInterrogation = 100;
inline constexpr uint8_t kTypeClockSync = 103;

// Commands with select and execute: single, double, step and the set-points.
constexpr bool IsCommandType(uint8_t typeCode) {
  return typeCode >= kTypeSingleCommand && typeCode <= kTypeSetpointFloat;
}

// ---- Cause of transmission ----
inline constexpr uint32_t kCauseSpontaneous = 3;
inline constexpr uint32_t kCauseActivation = 6;
inline constexpr uint32_t kCauseActivationConfirmation = 7;
inline constexpr uint32_t kCauseActivationTermination = 10;
inline constexpr uint32_t kCauseInterrogatedByStation = 20;
// Activation confirmation with the P/N bit: the request was refused.
inline constexpr uint32_t kCauseNegativeConfirmation = 0x47;

// Qualifier of interrogation: station interrogation.
inline constexpr uint8_t kQoiStation = 20;

// ---- Link layer ----
// Control field bits.
inline constexpr uint8_t kControlDir = 0x80;
inline constexpr uint8_t kControlPrm = 0x40;
inline constexpr uint8_t kControlFcbAcd = 0x20;  // FCB from the primary, ACD from the secondary
inline constexpr uint8_t kControlFcvDfc = 0x10;  // FCV from the primary, DFC from the secondary

// Functions of the primary station.
inline constexpr uint8_t kFunctionResetRemoteLink = 0;
inline constexpr uint8_t kFunctionTestLink = 2;
inline constexpr uint8_t kFunctionUserDataConfirmed = 3;
inline constexpr uint8_t kFunctionRequestLinkStatus = 9;
inline constexpr uint8_t kFunctionRequestClass1 = 10;
inline constexpr uint8_t kFunctionRequestClass2 = 11;

// Functions of the secondary station.
inline constexpr uint8_t kFunctionAck = 0;
inline constexpr uint8_t kFunctionNack = 1;
inline constexpr uint8_t kFunctionUserData = 8;
inline constexpr uint8_t kFunctionNoData = 9;
inline constexpr uint8_t kFunctionStatusOfLink = 11;
