#include "scene/Mesh.h"

#include "core/OutputHandler.h"
#include "platform/FileSystem.h"
#include "scene/ThreeDsReader.h"

#include <GL/gl.h>
#include <cstdio>
#include <vector>

Mesh::Mesh(const char* name)
    : Object(false, name)
{
}

bool Mesh::load(const char* filePath)
{
    OutputHandler::log(OutputHandler::find(), "...Loading Model '%s'.", filePath);
    path = filePath;
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes)) {
        OutputHandler::report(OutputHandler::find(), Error, "Could not open the model file '%s'.", filePath);
        return false;
    }
    const ThreeDsReader::Result result = ThreeDsReader::read(bytes, path, *this, stdout);
    switch (result.status) {
    case ThreeDsReader::Status::Complete:
        return true;
    case ThreeDsReader::Status::Stopped:
        OutputHandler::report(OutputHandler::find(), Warning, "%s", result.message.c_str());
        return true;
    case ThreeDsReader::Status::Refused:
        break;
    }
    OutputHandler::report(OutputHandler::find(), Error, "%s", result.message.c_str());
    return false;
}

void Mesh::draw() const
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < polygonCount; ++i) {
        const Triangle& triangle = polygons[i];
        for (const std::uint32_t index : {triangle.a, triangle.b, triangle.c}) {
            glTexCoord2f(texCoords[index].u, texCoords[index].v);
            glVertex3f(vertices[index].x, vertices[index].y, vertices[index].z);
        }
    }
    glEnd();
}
