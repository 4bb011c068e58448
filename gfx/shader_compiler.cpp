// HLSL to SPIR-V with glslang, the vertex-input reflection, and SPIR-V to
// GLSL 330 with SPIRV-Cross.

#include "gfx/shader_compiler.h"

#include <cassert>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_glsl.hpp>

#include "core/result.h"

namespace {

// Shader files are text we do not control: anything larger is refused
// before it reaches the compiler.
constexpr std::streamoff maxSourceBytes = 1 << 20;

bool EnsureGlslangProcess()
{
    static const bool initialised = glslang::InitializeProcess();
    return initialised;
}

bool StageOfTarget(const char* target, GfxShaderStage& stage, EShLanguage& language)
{
    const std::string t = target != nullptr ? target : "";
    if (t.rfind("vs_", 0) == 0) {
        stage = GfxShaderStage::Vertex;
        language = EShLangVertex;
        return true;
    }
    if (t.rfind("ps_", 0) == 0) {
        stage = GfxShaderStage::Pixel;
        language = EShLangFragment;
        return true;
    }
    return false;
}

// "COLOR1" -> ("COLOR", 1); "position" -> ("POSITION", 0).
void SplitSemantic(const std::string& text, std::string& name, uint32_t& index)
{
    size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1])))
        --digits;
    name.clear();
    for (size_t i = 0; i < digits; ++i)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    index = 0;
    for (size_t i = digits; i < text.size() && i < digits + 6; ++i)
        index = index * 10 + static_cast<uint32_t>(text[i] - '0');
}

std::string SemanticOf(const spirv_cross::Compiler& compiler, spirv_cross::ID id)
{
    if (compiler.has_decoration(id, spv::DecorationUserSemantic))
        return compiler.get_decoration_string(id, spv::DecorationUserSemantic);
    return std::string();
}

std::string VaryingName(const spirv_cross::Compiler& compiler, spirv_cross::ID id)
{
    std::string name;
    uint32_t index = 0;
    SplitSemantic(SemanticOf(compiler, id), name, index);
    if (name.empty())
        return "v_loc" + std::to_string(compiler.get_decoration(id, spv::DecorationLocation));
    std::string clean;
    for (char c : name)
        clean += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return "v_" + clean + std::to_string(index);
}

int32_t ReflectVertexInputs(GfxShaderCode& code, std::string& diagnostics)
{
    try {
        spirv_cross::Compiler compiler(code.spirv);
        const spirv_cross::ShaderResources resources = compiler.get_shader_resources();
        for (const spirv_cross::Resource& input : resources.stage_inputs) {
            if (compiler.has_decoration(input.id, spv::DecorationBuiltIn))
                continue;
            GfxShaderInput reflected;
            SplitSemantic(SemanticOf(compiler, input.id), reflected.semantic, reflected.semanticIndex);
            reflected.location = compiler.get_decoration(input.id, spv::DecorationLocation);
            if (reflected.semantic.empty()) {
                diagnostics += "vertex input " + input.name + " has no semantic\n";
                return E_FAIL_RESULT;
            }
            code.inputs.push_back(reflected);
        }
    } catch (const std::exception& error) {
        diagnostics += std::string("SPIR-V reflection failed: ") + error.what() + "\n";
        return E_FAIL_RESULT;
    }
    return S_OK_RESULT;
}

}  // namespace

std::string VertexInputName(uint32_t location)
{
    return "in_loc" + std::to_string(location);
}
std::string PixelOutputName(uint32_t target)
{
    return "out_target" + std::to_string(target);
}
std::string ConstantBlockName(uint32_t slot)
{
    return "ConstantSlot" + std::to_string(slot);
}

int32_t CompileShaderFromText(const std::string& source, const std::string& sourceName,
                              const char* entryPoint, const char* target, GfxShaderCode& code,
                              std::string& diagnostics)
{
    assert(entryPoint != nullptr && "CompileShaderFromText needs an entry point name");
    code = GfxShaderCode();
    GfxShaderStage stage;
    EShLanguage language;
    if (!StageOfTarget(target, stage, language)) {
        diagnostics += sourceName + ": unsupported target " + (target ? target : "(null)") + "\n";
        return E_INVALIDARG_RESULT;
    }
    if (!EnsureGlslangProcess()) {
        diagnostics += "the shader compiler could not be initialised\n";
        return E_FAIL_RESULT;
    }

    glslang::TShader shader(language);
    const char* text = source.c_str();
    const int length = static_cast<int>(source.size());
    const char* name = sourceName.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entryPoint);
    shader.setSourceEntryPoint(entryPoint);
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();  // keeps the semantics as decorations
    shader.setHlslIoMapping(true);
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    const EShMessages messages =
        static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl);

    const bool parsed = shader.parse(GetDefaultResources(), 100, false, messages);
    diagnostics += shader.getInfoLog();
    if (!parsed)
        return E_FAIL_RESULT;
    // An empty or truncated file parses with a warning only; without its
    // entry point there is no shader.
    if (shader.getIntermediate() == nullptr || shader.getIntermediate()->getNumEntryPoints() < 1) {
        diagnostics += sourceName + ": entry point \"" + entryPoint + "\" not found\n";
        return E_FAIL_RESULT;
    }

    glslang::TProgram program;
    program.addShader(&shader);
    const bool linked = program.link(messages) && program.mapIO();
    diagnostics += program.getInfoLog();
    if (!linked || program.getIntermediate(language) == nullptr)
        return E_FAIL_RESULT;

    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    options.disableOptimizer = true;
    glslang::GlslangToSpv(*program.getIntermediate(language), code.spirv, &logger, &options);
    diagnostics += logger.getAllMessages();
    if (code.spirv.empty())
        return E_FAIL_RESULT;

    code.stage = stage;
    if (stage == GfxShaderStage::Vertex) {
        const int32_t reflected = ReflectVertexInputs(code, diagnostics);
        if (Failed(reflected))
            return reflected;
    }
    return S_OK_RESULT;
}

int32_t CompileShaderFromFile(const std::string& path, const char* entryPoint, const char* target,
                              GfxShaderCode& code, std::string& diagnostics)
{
    code = GfxShaderCode();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        diagnostics += path + ": cannot open the file\n";
        return E_FILE_NOT_FOUND_RESULT;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0 || !file) {
        diagnostics += path + ": cannot read the file\n";
        return E_FILE_NOT_FOUND_RESULT;
    }
    if (size > maxSourceBytes) {
        diagnostics += path + ": larger than " + std::to_string(maxSourceBytes) + " bytes\n";
        return E_FAIL_RESULT;
    }
    std::string source(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.read(&source[0], size)) {
        diagnostics += path + ": cannot read the file\n";
        return E_FILE_NOT_FOUND_RESULT;
    }
    return CompileShaderFromText(source, path, entryPoint, target, code, diagnostics);
}

int32_t TranslateShaderToGlsl(const GfxShaderCode& code, bool fixupClipSpace, std::string& glsl,
                              std::string& diagnostics)
{
    glsl.clear();
    try {
        spirv_cross::CompilerGLSL compiler(code.spirv);
        spirv_cross::CompilerGLSL::Options options = compiler.get_common_options();
        options.version = 330;
        options.es = false;
        options.enable_420pack_extension = false;  // blocks are bound by name after linking
        options.separate_shader_objects = false;
        options.vertex.fixup_clipspace = fixupClipSpace;
        options.vertex.flip_vert_y = false;
        compiler.set_common_options(options);

        const spirv_cross::ShaderResources resources = compiler.get_shader_resources();
        for (const spirv_cross::Resource& block : resources.uniform_buffers)
            compiler.set_name(block.base_type_id,
                              ConstantBlockName(compiler.get_decoration(block.id, spv::DecorationBinding)));

        const bool vertex = code.stage == GfxShaderStage::Vertex;
        // Stages meet by name in GLSL 330: values passed between them are
        // named after their semantic, as the stages of the source match.
        for (const spirv_cross::Resource& input : resources.stage_inputs) {
            if (compiler.has_decoration(input.id, spv::DecorationBuiltIn))
                continue;
            if (vertex) {
                compiler.set_name(
                    input.id, VertexInputName(compiler.get_decoration(input.id, spv::DecorationLocation)));
            } else {
                compiler.set_name(input.id, VaryingName(compiler, input.id));
                compiler.unset_decoration(input.id, spv::DecorationLocation);
            }
        }
        for (const spirv_cross::Resource& output : resources.stage_outputs) {
            if (compiler.has_decoration(output.id, spv::DecorationBuiltIn))
                continue;
            if (vertex) {
                compiler.set_name(output.id, VaryingName(compiler, output.id));
                compiler.unset_decoration(output.id, spv::DecorationLocation);
            } else {
                compiler.set_name(
                    output.id, PixelOutputName(compiler.get_decoration(output.id, spv::DecorationLocation)));
            }
        }
        glsl = compiler.compile();
    } catch (const std::exception& error) {
        diagnostics += std::string("GLSL translation failed: ") + error.what() + "\n";
        glsl.clear();
        return E_FAIL_RESULT;
    }
    return S_OK_RESULT;
}
