#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "model/tag_text.h"

// One information object of the simulated process (a point, measurand, total or
// command), addressed by its IOA inside a sector, or inside a monitor device.
//
// Threads. The configuration fields (id, sector id, name, type, IOA, flags,
// scaling, link, reserved words) belong to the user-interface thread and change
// only while the owning device is stopped; a running worker only reads them.
// The live fields are written by the device's worker and by the user interface at
// any time: value, quality, cause and command state are atomics (relaxed: each is
// one independent word), the time stamp is guarded by timeLock_. Readers of
// several live fields get each one consistent, not the set.
//
// Monitor tags have no sector: their sector id holds the owning monitor's device
// id and reserved word A the common address the object was seen with, so that a
// saved monitor keeps telling objects of different common addresses apart.
class clTag {
 public:
  enum Type : int32_t {
    kSinglePoint = 1,
    kDoublePoint = 2,
    kMeasuredNormalized = 3,
    kMeasuredScaled = 4,
    kMeasuredFloat = 5,
    kIntegratedTotals = 6,
    kStepPosition = 7,
    kSingleCommand = 8,
    kDoubleCommand = 9,
    kSetpointNormalized = 10,
    kSetpointScaled = 11,
    kSetpointFloat = 12,
    kRegulatingStep = 13,
    kInterrogation = 14,
    kClockSync = 15,
  };
  static constexpr int32_t kQualityBlocked = 0x01;
  static constexpr int32_t kQualitySubstituted = 0x02;
  static constexpr int32_t kQualityNotTopical = 0x04;
  static constexpr int32_t kQualityInvalid = 0x08;
  static constexpr int32_t kQualityOverflow = 0x10;
  static constexpr int32_t kQualityUncertain = 0x100;
  static constexpr int32_t kFlagSelectBeforeOperate = 0x1;
  static constexpr int32_t kFlagLinearScaling = 0x2;
  static constexpr int32_t kFlagFactorScaling = 0x4;

  clTag() = default;
  // Copies every stored and live field (used for paste and duplicate objects).
  clTag(const clTag& other);
  clTag& operator=(const clTag&) = delete;

  // Configuration fields.
  int32_t Id() const { return id_; }
  void SetId(int32_t v) { id_ = v; }
  int32_t SectorId() const { return sectorId_; }
  void SetSectorId(int32_t v) { sectorId_ = v; }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  int32_t TagType() const { return type_; }
  void SetType(int32_t v) { type_ = v; }
  int32_t Ioa() const { return ioa_; }
  void SetIoa(int32_t v) { ioa_ = v; }
  void SetIOA(int32_t low, int32_t middle, int32_t high) {
    ioa_ = high * 65536 + middle * 256 + low;
  }
  int32_t IoaLow() const { return ioa_ & 0xFF; }
  int32_t IoaMiddle() const { return (ioa_ >> 8) & 0xFF; }
  int32_t IoaHigh() const { return (ioa_ >> 16) & 0xFF; }
  int32_t ReservedA() const { return reservedA_; }
  void SetReservedA(int32_t v) { reservedA_ = v; }
  int32_t ReservedB() const { return reservedB_; }
  void SetReservedB(int32_t v) { reservedB_ = v; }
  // Monitor tags: the common address (kept in reserved word A, see above).
  int32_t CommonAddress() const { return reservedA_; }
  void SetCommonAddress(int32_t v) { reservedA_ = v; }
  int32_t Flags() const { return flags_; }
  void SetFlags(int32_t v) { flags_ = v; }
  bool ScalingEnabled() const { return scalingEnabled_; }
  void SetScalingEnabled(bool v) { scalingEnabled_ = v; }
  bool StructuredIoa() const { return structuredIoa_; }
  void SetStructuredIoa(bool v) { structuredIoa_ = v; }
  double RawMax() const { return rawMax_; }
  void SetRawMax(double v) { rawMax_ = v; }
  double RawMin() const { return rawMin_; }
  void SetRawMin(double v) { rawMin_ = v; }
  double EngMax() const { return engMax_; }
  void SetEngMax(double v) { engMax_ = v; }
  double EngMin() const { return engMin_; }
  void SetEngMin(double v) { engMin_ = v; }
  double ScaleFactor() const { return scaleFactor_; }
  void SetScaleFactor(double v) { scaleFactor_ = v; }
  bool LinkEnabled() const { return linkEnabled_; }
  void SetLinkEnabled(bool v) { linkEnabled_ = v; }
  int32_t LinkTarget() const { return linkTarget_; }
  void SetLinkTarget(int32_t v) { linkTarget_ = v; }

  bool IsPointType() const { return type_ == kSinglePoint || type_ == kDoublePoint; }
  bool IsCommandType() const { return type_ >= kSingleCommand && type_ <= kRegulatingStep; }
  bool IsSelectBeforeOperate() const { return (flags_ & kFlagSelectBeforeOperate) != 0; }
  void SetSelectBeforeOperate(bool on);
  // 4 factor, else 2 linear, else 0.
  int32_t ScaleType() const;
  // 2 or 4: clears both scaling flags, then sets the given one.
  void SetScaleType(int32_t flag);
  // The engineering value of a raw value. Linear scaling over an empty raw range
  // (raw max equal to raw min) gives engineering min.
  double Scale(double raw) const;

  // Live fields: callable from any thread.
  double Value() const { return value_.load(std::memory_order_relaxed); }
  // Stores the raw value unchanged.
  void SetRawValue(double v) { value_.store(v, std::memory_order_relaxed); }
  // Stores Scale(raw) when scaling is enabled, raw otherwise.
  void SetValue(double raw) { SetRawValue(scalingEnabled_ ? Scale(raw) : raw); }
  int64_t ValueAsInteger() const;
  int32_t Quality() const { return quality_.load(std::memory_order_relaxed); }
  void SetQuality(int32_t v) { quality_.store(v, std::memory_order_relaxed); }
  bool IsGood() const { return Quality() == 0; }
  // Quality descriptor octet: IV 0x80, NT 0x40, SB 0x20, BL 0x10, OV 0x01 (types
  // 3..7 only); the uncertain bit has no place in it. For an integrated total the
  // octet after the counter reading instead: IV 0x80 only, sequence number 0.
  uint8_t QualityByte() const;
  int32_t Cause() const { return cause_.load(std::memory_order_relaxed); }
  void SetCause(int32_t v) { cause_.store(v, std::memory_order_relaxed); }
  int32_t CommandState() const { return commandState_.load(std::memory_order_relaxed); }
  void SetCommandState(int32_t v) { commandState_.store(v, std::memory_order_relaxed); }
  clTimeStamp TimeStamp() const;
  void SetTimeStamp(const clTimeStamp& t);

  // Text interface of the lists, the grid and the import; keys and fixed words
  // compare without regard to letter case. Unknown keys give "" / are ignored,
  // and a text that does not parse leaves the field unchanged.
  std::string GetProperty(std::string_view key) const;
  void SetProperty(std::string_view key, std::string_view text);

  std::string EngValueText() const;
  std::string QualityText() const;

 private:
  void SetValueText(std::string_view text);
  void SetEngValueText(std::string_view text);
  void SetStructuredIoaText(std::string_view text);

  int32_t id_ = 0;
  int32_t sectorId_ = 0;
  std::string name_;
  int32_t type_ = kSinglePoint;
  int32_t ioa_ = 1;
  int32_t reservedA_ = 0;
  int32_t flags_ = kFlagLinearScaling;
  int32_t reservedB_ = 0;
  bool scalingEnabled_ = false;
  bool structuredIoa_ = false;
  double rawMax_ = 0.0;
  double rawMin_ = 0.0;
  double engMax_ = 0.0;
  double engMin_ = 0.0;
  double scaleFactor_ = 0.0;
  bool linkEnabled_ = false;
  int32_t linkTarget_ = 0;

  std::atomic<double> value_{0.0};
  std::atomic<int32_t> quality_{kQualityUncertain};
  std::atomic<int32_t> cause_{0};
  std::atomic<int32_t> commandState_{0};
  mutable std::mutex timeLock_;
  clTimeStamp timeStamp_;  // guarded by timeLock_
};
