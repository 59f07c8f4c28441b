// The streams and TComponent.

#include <algorithm>
#include <memory>
#include <string>

#include "runtime/component.h"
#include "runtime/format.h"
#include "runtime/streams.h"
#include "script/classes_rtti_internal.h"

namespace script::classes {

namespace {

using runtime::TStream;
using runtime::Variant;

// ---- TStream -------------------------------------------------------------------------------

// Read(var Buffer: string; Count): the bytes read, at most what the stream
// still holds, become Buffer.
Variant StreamRead(const HostCall& call) {
    TStream& stream = call.Self<TStream>();
    const int64_t count = call.IntArg(1);
    std::string buffer;
    if (count > 0) {
        const int64_t left = std::max<int64_t>(stream.Size() - stream.Position(), 0);
        buffer.resize(static_cast<size_t>(std::min(count, left)));
        const int64_t read = buffer.empty() ? 0 : stream.Read(buffer.data(), buffer.size());
        buffer.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
    }
    call.SetArg(0, Variant(buffer));
    return Variant(static_cast<int32_t>(buffer.size()));
}

// Write(Buffer; Count): the first Count bytes of Buffer.
Variant StreamWrite(const HostCall& call) {
    TStream& stream = call.Self<TStream>();
    const std::string buffer = call.StrArg(0);
    const int64_t count = call.IntArg(1);
    if (count <= 0) return Variant(int32_t{0});
    if (count > static_cast<int64_t>(buffer.size()))
        throw runtime::EWriteError(
            runtime::Format("Stream write error: count %d exceeds the buffer's %d bytes",
                            {count, static_cast<int64_t>(buffer.size())}));
    return Variant(static_cast<int32_t>(stream.Write(buffer.data(), count)));
}

Variant StreamSeek(const HostCall& call) {
    TStream& stream = call.Self<TStream>();
    const int32_t origin = call.IntArg(1);
    if (origin < runtime::soFromBeginning || origin > runtime::soFromEnd)
        throw runtime::EStreamError(runtime::Format("Invalid seek origin (%d)", {origin}));
    return Variant(stream.Seek(call.IntArg(0), static_cast<uint16_t>(origin)));
}

Variant StreamCopyFrom(const HostCall& call) {
    TStream& stream = call.Self<TStream>();
    return Variant(stream.CopyFrom(call.RequiredArg<TStream>(0), call.IntArg(1)));
}

Variant StreamPosition(const HostCall& call) {
    return Variant(call.Self<TStream>().Position());
}

Variant StreamSetPosition(const HostCall& call) {
    call.Self<TStream>().SetPosition(call.Value().AsInt64());
    return Variant();
}

Variant StreamSize(const HostCall& call) {
    return Variant(call.Self<TStream>().Size());
}

// ---- TFileStream, TMemoryStream -------------------------------------------------------------

// A file stream cannot exist without its file, so the engine has no
// instance for it: the constructor makes the stream and hands it to the
// script.
Variant FileStreamCreate(const HostCall& call) {
    const int32_t mode = call.IntArg(1);
    if (mode < 0 || mode > 0xFFFF) throw runtime::ERangeError("Range check error");
    auto stream =
        std::make_unique<runtime::TFileStream>(call.StrArg(0), static_cast<uint16_t>(mode));
    return Variant(runtime::AdoptScriptObject(std::move(stream)));
}

Variant MemoryStreamClear(const HostCall& call) {
    call.Self<runtime::TMemoryStream>().Clear();
    return Variant();
}

Variant MemoryStreamLoadFromStream(const HostCall& call) {
    runtime::TMemoryStream& stream = call.Self<runtime::TMemoryStream>();
    stream.LoadFromStream(call.RequiredArg<TStream>(0));
    return Variant();
}

Variant MemoryStreamLoadFromFile(const HostCall& call) {
    call.Self<runtime::TMemoryStream>().LoadFromFile(call.StrArg(0));
    return Variant();
}

Variant MemoryStreamSaveToStream(const HostCall& call) {
    const runtime::TMemoryStream& stream = call.Self<runtime::TMemoryStream>();
    stream.SaveToStream(call.RequiredArg<TStream>(0));
    return Variant();
}

Variant MemoryStreamSaveToFile(const HostCall& call) {
    call.Self<runtime::TMemoryStream>().SaveToFile(call.StrArg(0));
    return Variant();
}

// ---- TComponent ---------------------------------------------------------------------------

// The engine made the component without owner; with one, the owner takes
// it, and the script may still free it before the owner does.
Variant ComponentCreate(const HostCall& call) {
    (void)ConstructedInstance(call);
    runtime::TComponent& component = call.Self<runtime::TComponent>();
    runtime::TComponent* owner = call.ObjectArg<runtime::TComponent>(0);
    if (owner != nullptr) {
        const runtime::TObjectHandle handle = runtime::HandleOf(&component);
        std::unique_ptr<runtime::TObject> taken = runtime::TakeScriptObject(handle);
        (void)taken.release();  // the same object as `component`
        owner->InsertComponent(std::unique_ptr<runtime::TComponent>(&component));
        runtime::AdoptScriptComponent(component);
    }
    return ObjectValue(&component);
}

Variant ComponentOwner(const HostCall& call) {
    return ObjectValue(call.Self<runtime::TComponent>().Owner());
}

// ---- tables -----------------------------------------------------------------------------

constexpr MemberRow kStreamMembers[] = {
    Method("function Read(var Buffer: string; Count: Longint): Longint", StreamRead),
    Method("function Write(Buffer: string; Count: Longint): Longint", StreamWrite),
    Method("function Seek(Offset: Longint; Origin: Word): Longint", StreamSeek),
    Method("function CopyFrom(Source: TStream; Count: Longint): Longint", StreamCopyFrom),
    Prop("Position", "Longint", StreamPosition, StreamSetPosition),
    Prop("Size", "Longint", StreamSize),
};

constexpr MemberRow kFileStreamMembers[] = {
    Ctor("constructor Create(Filename: String; Mode: Word)", FileStreamCreate),
};

constexpr MemberRow kMemoryStreamMembers[] = {
    Method("procedure Clear", MemoryStreamClear),
    Method("procedure LoadFromStream(Stream: TStream)", MemoryStreamLoadFromStream),
    Method("procedure LoadFromFile(Filename: String)", MemoryStreamLoadFromFile),
    Method("procedure SaveToStream(Stream: TStream)", MemoryStreamSaveToStream),
    Method("procedure SaveToFile(Filename: String)", MemoryStreamSaveToFile),
};

constexpr MemberRow kComponentMembers[] = {
    Ctor("constructor Create(AOwner: TComponent)", ComponentCreate),
    Prop("Owner", "TComponent", ComponentOwner),
};

const ClassRow kClasses[] = {
    {&runtime::ClassInfoOf<TStream>, "TObject", kStreamMembers},
    {&runtime::ClassInfoOf<runtime::TFileStream>, "TStream", kFileStreamMembers},
    {&runtime::ClassInfoOf<runtime::TMemoryStream>, "TStream", kMemoryStreamMembers},
    {&runtime::ClassInfoOf<runtime::TComponent>, "TPersistent", kComponentMembers},
};

}  // namespace

std::span<const ClassRow> StreamAndComponentClasses() {
    return kClasses;
}

}  // namespace script::classes
