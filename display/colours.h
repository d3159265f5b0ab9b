#pragma once

#include <QColor>

namespace velmora {

// Chart colours, named by their red-green-blue value.
inline const QColor Navy{0, 0, 128};
inline const QColor Teal{0, 128, 128};
inline const QColor Blue{0, 0, 255};
inline const QColor Red{255, 0, 0};
inline const QColor Fuchsia{255, 0, 255};
inline const QColor Black{0, 0, 0};

// The window's system colours, fixed to the values of the classic desktop
// scheme the layout was designed against, so that the window and the charts
// look the same under every desktop theme (and pixel tests stay exact):
//   clBtnFace               -> #F0F0F0  window face
//   clCaptionText           -> #FFFFFF  behind the navy "Period" labels
//   clScrollBar             -> #C8C8C8  Panel1 and the OrgForm group
//   clInfoBk                -> #FFFFE1  behind the heading
//   clGradientActiveCaption -> #B9D1EA  behind "Adjust Speed"
//   clWindowText            -> #000000  window text, chart texts
//   clWindow                -> #FFFFFF  chart background, erasing, text cells
//   clBtnHighlight          -> #FFFFFF  light edge of a raised bevel
//   clBtnShadow             -> #A0A0A0  dark edge of a raised bevel
inline const QColor BtnFace{0xF0, 0xF0, 0xF0};
inline const QColor CaptionText{0xFF, 0xFF, 0xFF};
inline const QColor ScrollBarFace{0xC8, 0xC8, 0xC8};
inline const QColor InfoBk{0xFF, 0xFF, 0xE1};
inline const QColor GradientActiveCaption{0xB9, 0xD1, 0xEA};
inline const QColor WindowText{0x00, 0x00, 0x00};
inline const QColor WindowBackground{0xFF, 0xFF, 0xFF};
inline const QColor BtnHighlight{0xFF, 0xFF, 0xFF};
inline const QColor BtnShadow{0xA0, 0xA0, 0xA0};

}  // namespace velmora
