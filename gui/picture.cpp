#include <mutex>
#include <vector>

#include "gui/graphic.h"
#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace gui {

// ---- TGraphic ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TGraphic, runtime::TPersistent)
RUNTIME_END_CLASS

TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool value) {
    if (transparent_ == value) return;
    transparent_ = value;
    Changed();
}

void TGraphic::Changed() {
    OnChange(this);
}

void TGraphic::LoadFromFile(const std::u16string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::u16string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    SaveToStream(stream);
}

void TGraphic::DefineProperties(runtime::TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data", [this](runtime::TStream& s) { LoadFromStream(s); },
        [this](runtime::TStream& s) { SaveToStream(s); }, !Empty());
}

// ---- the registry of graphic classes -----------------------------------------------------

namespace {

struct Format {
    std::string extension;
    std::string description;
    std::string className;
    TGraphicFactory factory;
};

struct Formats {
    std::mutex lock;
    std::vector<Format> list;
};

Formats& TheFormats() {
    static Formats formats;
    return formats;
}

std::string ExtensionOf(const std::u16string& fileName) {
    const size_t dot = fileName.find_last_of(u'.');
    const size_t slash = fileName.find_last_of(u"\\/");
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
    return runtime::LowerCase(runtime::WideToAnsi(fileName.substr(dot + 1)));
}

TGraphicFactory FactoryForExtension(const std::string& ext) {
    Formats& formats = TheFormats();
    std::lock_guard guard(formats.lock);
    for (const Format& f : formats.list)
        if (f.extension == ext) return f.factory;
    return {};
}

}  // namespace

void TPicture::RegisterFileFormat(std::string extension, std::string description,
                                  std::string className, TGraphicFactory factory) {
    Formats& formats = TheFormats();
    std::lock_guard guard(formats.lock);
    extension = runtime::LowerCase(extension);
    for (Format& f : formats.list) {
        if (f.extension == extension) {
            f = {extension, std::move(description), std::move(className), std::move(factory)};
            return;
        }
    }
    formats.list.push_back(
        {extension, std::move(description), std::move(className), std::move(factory)});
}

const TGraphicFactory* TPicture::FactoryForClass(std::string_view className) {
    Formats& formats = TheFormats();
    std::lock_guard guard(formats.lock);
    for (const Format& f : formats.list)
        if (runtime::SameText(f.className, className)) return &f.factory;
    return nullptr;
}

std::string TPicture::GraphicFilter() {
    Formats& formats = TheFormats();
    std::lock_guard guard(formats.lock);
    std::string filter;
    for (const Format& f : formats.list) {
        if (!filter.empty()) filter += '|';
        filter += f.description + " (*." + f.extension + ")|*." + f.extension;
    }
    return filter;
}

void RegisterStandardGraphics() {
    TPicture::RegisterFileFormat("bmp", "Bitmaps", "TBitmap",
                                 [] { return std::make_unique<TBitmap>(); });
    TPicture::RegisterFileFormat("ico", "Icons", "TIcon", [] { return std::make_unique<TIcon>(); });
}

// ---- TPicture ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TPicture, runtime::TPersistent)
RUNTIME_END_CLASS

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Attach(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](runtime::TObject*) { GraphicChanged(); };
    GraphicChanged();
}

void TPicture::GraphicChanged() {
    OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
    if (graphic == nullptr) {
        Attach(nullptr);
        return;
    }
    if (graphic == graphic_.get()) return;
    const TGraphicFactory* factory = FactoryForClass(graphic->ClassName());
    if (factory == nullptr) throw EInvalidGraphic("Unknown picture class " + graphic->ClassName());
    std::unique_ptr<TGraphic> copy = (*factory)();
    copy->Assign(graphic);
    Attach(std::move(copy));
}

TBitmap& TPicture::Bitmap() {
    if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) Attach(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic_);
}

TIcon& TPicture::Icon() {
    if (dynamic_cast<TIcon*>(graphic_.get()) == nullptr) Attach(std::make_unique<TIcon>());
    return static_cast<TIcon&>(*graphic_);
}

void TPicture::LoadFromFile(const std::u16string& fileName) {
    const std::string ext = ExtensionOf(fileName);
    TGraphicFactory factory = FactoryForExtension(ext);
    if (!factory) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    std::unique_ptr<TGraphic> graphic = factory();
    graphic->LoadFromFile(fileName);
    Attach(std::move(graphic));
}

void TPicture::SaveToFile(const std::u16string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const runtime::TPersistent* source) {
    if (source == nullptr) {
        SetGraphic(nullptr);
    } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture != this) SetGraphic(picture->graphic_.get());
    } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        runtime::TPersistent::Assign(source);
    }
}

void TPicture::DefineProperties(runtime::TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data",
        [this](runtime::TStream& s) {
            uint8_t length = 0;
            s.ReadBuffer(&length, 1);
            std::string className(length, '\0');
            s.ReadBuffer(className.data(), length);
            const TGraphicFactory* factory = FactoryForClass(className);
            if (factory == nullptr) throw EInvalidGraphic("Unknown picture class " + className);
            std::unique_ptr<TGraphic> graphic = (*factory)();
            graphic->LoadFromStream(s);
            Attach(std::move(graphic));
        },
        [this](runtime::TStream& s) {
            const std::string& className = graphic_->ClassName();
            const auto length = static_cast<uint8_t>(std::min<size_t>(className.size(), 255));
            s.WriteBuffer(&length, 1);
            s.WriteBuffer(className.data(), length);
            graphic_->SaveToStream(s);
        },
        graphic_ != nullptr && !graphic_->Empty());
}

}  // namespace gui
