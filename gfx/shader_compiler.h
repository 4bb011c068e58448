// Shader translation for the device layer: HLSL source to SPIR-V (glslang's
// HLSL front end, in shader_compiler.cpp together with CompileShaderFromFile)
// and SPIR-V to GLSL 330 for the driver (SPIRV-Cross). Keeps no state beyond
// glslang's one-time process initialisation.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/device.h"

// Interface names the generated GLSL uses, so the device can link stages and
// bind blocks by name: vertex inputs "in_loc<location>", values passed from
// the vertex to the pixel stage "v_<SEMANTIC><index>", the pixel output of
// target n "out_target<n>", the constant buffer of slot n "ConstantSlot<n>".
std::string VertexInputName(uint32_t location);
std::string PixelOutputName(uint32_t target);
std::string ConstantBlockName(uint32_t slot);

// GLSL 330 core source of code. fixupClipSpace remaps depth from 0..w to
// -w..w for drivers without clip control. E_FAIL_RESULT with diagnostics
// when the SPIR-V cannot be translated.
int32_t TranslateShaderToGlsl(const GfxShaderCode& code, bool fixupClipSpace, std::string& glsl,
                              std::string& diagnostics);
