#pragma once
// The window frame the layout reckons with, whatever frame the window system draws: 45 twips
// of border at the left, the right and the bottom, and 330 twips from the top outer edge to the
// client area. A real window is shown to the layout with this frame around its real client
// area, centred on its real outer rectangle; so the layout's arithmetic on outer sizes gives the
// client area the margins it intends on any frame.

#include "app/Form.h"

namespace tarnwell::frame {

inline constexpr double kWidth = 90;    // outer width less client width
inline constexpr double kHeight = 375;  // outer height less client height

// The outer rectangle the layout sees for a window whose real outer rectangle starts at
// `outerLeft`, `outerTop` and measures `outerWidth` by `outerHeight`, around a client area of
// `clientWidth` by `clientHeight`; all in twips.
inline Bounds ModelOuter(double outerLeft, double outerTop, double outerWidth, double outerHeight,
                         double clientWidth, double clientHeight) {
  const double width = clientWidth + kWidth;
  const double height = clientHeight + kHeight;
  return {static_cast<float>(outerLeft + (outerWidth - width) / 2),
          static_cast<float>(outerTop + (outerHeight - height) / 2), static_cast<float>(width),
          static_cast<float>(height)};
}

// How far the real outer rectangle's left (or top) edge lies from the model's, for a real
// frame that adds `realFrame` to the client's width (or height) where the model adds `model`.
inline double RealEdgeOffset(double realFrame, double model) { return (realFrame - model) / 2; }

}  // namespace tarnwell::frame
