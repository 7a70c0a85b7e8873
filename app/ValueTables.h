#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

// Display texts of register field codes, shared by the field rules, the
// channel output-level rules and the channel status readout. Each table is
// indexed by a field's code (ifa_op_names by channel) and holds one entry per
// code of that field. Built during static initialisation, never changed.

// IF manual gain in dB, codes of the 5-bit IFAn_ManGC fields.
extern const std::array<QString, 32> ifa_mangc_db;
// IF gain in dB, codes of the 5-bit IFAn_Gain fields while IFAn_OT is 0.
extern const std::array<QString, 32> ifa_gain_db;
// IF gain in per cent, the same codes while IFAn_OT is not 0.
extern const std::array<QString, 32> ifa_gain_percent;

// Loop-filter capacitance C2 of synthesizer A, codes of C2_A_reg.
extern const QStringList c2a_capacitance_list;
// Field names of the IFA output DC level combo boxes, channel 1 to 4.
extern const QStringList ifa_op_names;
// Items of an IFAn_OP combo box while SVLI is 0, and while it is not.
extern const QStringList ifa_op_levels;
extern const QStringList ifa_op_levels_svli;
// Items of the IFAn_ADC_OL combo boxes: four groups of four (CMOS with SVLI
// 0 and 1, LVDS with ECO_MD 0 and 1).
extern const QStringList adc_ol_levels;
// IF passband in MHz, codes 0 to 127 of the LPF_coden_reg fields.
extern const QMap<int, QString> lpf_code_mhz;
