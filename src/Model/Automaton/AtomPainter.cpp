#include "AtomPainter.h"

#include "Util/Logging.h"

#include <QMutex>
#include <QMutexLocker>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <set>

namespace Model {
namespace Automaton {

namespace {

// Vertices per glDrawArrays call, so counts always fit a GLsizei.
constexpr std::size_t verticesPerDrawCall = std::size_t(1) << 24;

const char *const compositeVertexShader = R"(#version 110
void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
)";

// The depth comes in as 24 bits over r, g, b; rebuilt exactly in single
// precision (it stays below 2^24).
const char *const compositeFragmentShader = R"(#version 110
uniform sampler2D atomColors;
uniform sampler2D atomDepths;
void main()
{
    vec4 encoded = texture2D(atomDepths, gl_TexCoord[0].st);
    if (encoded.a < 0.5)
        discard;
    vec3 bytes = floor(encoded.rgb * 255.0 + 0.5);
    gl_FragDepth = (bytes.r * 65536.0 + bytes.g * 256.0 + bytes.b) / 16777215.0;
    gl_FragColor = texture2D(atomColors, gl_TexCoord[0].st);
}
)";

std::atomic<std::uint64_t> nextPainterId{1};

// Painters gone since their buffers were made; each context frees its own
// buffers of them at its next draw.
QMutex retiredMutex;
std::set<std::uint64_t> &retiredPainters()
{
    static std::set<std::uint64_t> ids;
    return ids;
}

// The atom drawing's GL objects of one context, a child of the context so
// that it goes with it.
class ContextResources : public QObject
{
public:
    static ContextResources &of(QOpenGLContext *context)
    {
        static const QString name = QStringLiteral("kestrum-atom-resources");
        if (auto *found = context->findChild<QObject *>(name, Qt::FindDirectChildrenOnly))
            return *static_cast<ContextResources *>(found);
        auto *made = new ContextResources(context);
        made->setObjectName(name);
        return *made;
    }

    QOpenGLFunctions *gl;
    GLuint program = 0;
    bool programFailed = false;
    GLuint textures[2] = {0, 0};
    int textureWidth = 0;
    int textureHeight = 0;
    // Whose splat the textures hold.
    std::uint64_t shownPainter = 0;
    std::uint64_t shownSplat = 0;
    struct Buffer
    {
        GLuint id;
        std::uint64_t revision;
    };
    std::map<std::uint64_t, Buffer> bondBuffers;

    bool ensureProgram()
    {
        if (program || programFailed)
            return program != 0;
        const GLuint vertex = compile(GL_VERTEX_SHADER, compositeVertexShader);
        const GLuint fragment = compile(GL_FRAGMENT_SHADER, compositeFragmentShader);
        GLuint linked = 0;
        if (vertex && fragment) {
            linked = gl->glCreateProgram();
            gl->glAttachShader(linked, vertex);
            gl->glAttachShader(linked, fragment);
            gl->glLinkProgram(linked);
            GLint ok = 0;
            gl->glGetProgramiv(linked, GL_LINK_STATUS, &ok);
            if (!ok) {
                gl->glDeleteProgram(linked);
                linked = 0;
            }
        }
        if (vertex)
            gl->glDeleteShader(vertex);
        if (fragment)
            gl->glDeleteShader(fragment);
        program = linked;
        programFailed = !linked;
        if (programFailed)
            qCWarning(lcView) << "The atom shader does not build on this GL; atoms are drawn as plain points";
        return program != 0;
    }

    void ensureTextures(int width, int height)
    {
        if (!textures[0])
            glGenTextures(2, textures);
        if (width == textureWidth && height == textureHeight)
            return;
        for (GLuint texture : textures) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        textureWidth = width;
        textureHeight = height;
        shownPainter = 0;
    }

    void freeRetired()
    {
        QMutexLocker locker(&retiredMutex);
        const std::set<std::uint64_t> &retired = retiredPainters();
        for (auto it = bondBuffers.begin(); it != bondBuffers.end();) {
            if (retired.count(it->first)) {
                gl->glDeleteBuffers(1, &it->second.id);
                it = bondBuffers.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    explicit ContextResources(QOpenGLContext *context)
        : QObject(context), gl(context->functions())
    {
        // Freed while the context can still be current; a context destroyed
        // without being current takes its objects along anyway.
        connect(context, &QOpenGLContext::aboutToBeDestroyed, this, [this, context] {
            if (QOpenGLContext::currentContext() != context)
                return;
            if (program)
                gl->glDeleteProgram(program);
            if (textures[0])
                glDeleteTextures(2, textures);
            for (const auto &entry : bondBuffers)
                gl->glDeleteBuffers(1, &entry.second.id);
            program = 0;
            textures[0] = textures[1] = 0;
            bondBuffers.clear();
        }, Qt::DirectConnection);
    }

    GLuint compile(GLenum type, const char *source)
    {
        const GLuint shader = gl->glCreateShader(type);
        gl->glShaderSource(shader, 1, &source, nullptr);
        gl->glCompileShader(shader);
        GLint ok = 0;
        gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (ok)
            return shader;
        char log[1024] = {};
        gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        qCWarning(lcView) << "Atom shader:" << log;
        gl->glDeleteShader(shader);
        return 0;
    }
};

// The view's fixed-function lighting, as the spheres are to be shaded.
AtomSplatter::Shading currentShading()
{
    AtomSplatter::Shading s;
    s.lit = glIsEnabled(GL_LIGHTING);
    if (!s.lit)
        return s;
    GLfloat v[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, v);
    std::copy(v, v + 3, s.sceneAmbient.begin());
    GLint lights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    for (GLint i = 0; i < std::min(lights, 8); ++i) {
        const GLenum light = GLenum(GL_LIGHT0 + i);
        if (!glIsEnabled(light))
            continue;
        AtomSplatter::Light l;
        GLfloat position[4];
        glGetLightfv(light, GL_POSITION, position);
        const float length = std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2]);
        if (length > 0.0f) {
            for (int c = 0; c < 3; ++c)
                l.direction[std::size_t(c)] = position[c] / length;
        }
        glGetLightfv(light, GL_AMBIENT, v);
        std::copy(v, v + 3, l.ambient.begin());
        glGetLightfv(light, GL_DIFFUSE, v);
        std::copy(v, v + 3, l.diffuse.begin());
        glGetLightfv(light, GL_SPECULAR, v);
        std::copy(v, v + 3, l.specular.begin());
        s.lights.push_back(l);
    }
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, v);
    std::copy(v, v + 3, s.materialSpecular.begin());
    glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
    s.shininess = v[0];
    return s;
}

} // namespace

AtomPainter::AtomPainter()
    : id(nextPainterId++)
{
}

AtomPainter::~AtomPainter()
{
    if (!usedGL)
        return;
    QMutexLocker locker(&retiredMutex);
    retiredPainters().insert(id);
}

void AtomPainter::draw(const AtomicRenderer::AtomGeometry &geometry, bool atoms, bool bonds)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return;
    usedGL = true;
    ContextResources::of(context).freeRetired();
    if (atoms && geometry.atomCount() > 0)
        drawAtoms(geometry);
    if (bonds && !geometry.bondLines.empty())
        drawBonds(geometry);
}

void AtomPainter::drawAtoms(const AtomicRenderer::AtomGeometry &geometry)
{
    AtomSplatter::View view;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, view.modelView.data());
    glGetDoublev(GL_PROJECTION_MATRIX, view.projection.data());
    view.width = viewport[2];
    view.height = viewport[3];
    const AtomSplatter::Shading shading = currentShading();

    ContextResources &resources = ContextResources::of(QOpenGLContext::currentContext());
    if (!resources.ensureProgram()) {
        // Without shaders: one plain point per atom.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glDisable(GL_LIGHTING);
        glPointSize(2.0f);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        const std::size_t count = geometry.atomCount();
        for (std::size_t first = 0; first < count; first += verticesPerDrawCall) {
            glVertexPointer(3, GL_FLOAT, 0, geometry.positions.data() + first * 3);
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, geometry.colors.data() + first * 4);
            glDrawArrays(GL_POINTS, 0, GLsizei(std::min(verticesPerDrawCall, count - first)));
        }
        glPopClientAttrib();
        glPopAttrib();
        return;
    }

    // What the view drew so far hides atoms; reading it back costs less
    // than drawing the atoms inside an opaque block.
    depthBefore.resize(std::size_t(std::max(0, view.width)) * std::size_t(std::max(0, view.height)));
    if (!depthBefore.empty()) {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        glReadPixels(viewport[0], viewport[1], view.width, view.height, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depthBefore.data());
        glPopClientAttrib();
    }
    if (splats == 0 || geometry.revision != splatRevision || !(view == splatView) || !(shading == splatShading)
        || depthBefore != splatDepth) {
        splatter.splat(geometry, view, shading, depthBefore.empty() ? nullptr : depthBefore.data());
        ++splats;
        splatRevision = geometry.revision;
        splatView = view;
        splatShading = shading;
        splatDepth.swap(depthBefore);
    }
    const AtomSplatter::Rect r = splatter.bounds();
    if (r.isEmpty())
        return;

    QOpenGLFunctions *gl = resources.gl;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint previousProgram = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previousProgram);
    resources.ensureTextures(view.width, view.height);
    if (resources.shownPainter != id || resources.shownSplat != splats) {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        // The rectangle out of the viewport-wide images.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, splatter.imageWidth());
        glPixelStorei(GL_UNPACK_SKIP_ROWS, r.y);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, r.x);
        const std::uint8_t *images[2] = {splatter.colorImage().data(), splatter.depthImage().data()};
        for (int t = 0; t < 2; ++t) {
            glBindTexture(GL_TEXTURE_2D, resources.textures[t]);
            glTexSubImage2D(GL_TEXTURE_2D, 0, r.x, r.y, r.width, r.height, GL_RGBA, GL_UNSIGNED_BYTE, images[t]);
        }
        glPopClientAttrib();
        resources.shownPainter = id;
        resources.shownSplat = splats;
    }

    // The image's rectangle in viewport pixels, depth from the texture.
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    gl->glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, resources.textures[1]);
    gl->glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, resources.textures[0]);
    gl->glUseProgram(resources.program);
    gl->glUniform1i(gl->glGetUniformLocation(resources.program, "atomColors"), 0);
    gl->glUniform1i(gl->glGetUniformLocation(resources.program, "atomDepths"), 1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, view.width, 0.0, view.height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const double s0 = double(r.x) / resources.textureWidth, s1 = double(r.x + r.width) / resources.textureWidth;
    const double t0 = double(r.y) / resources.textureHeight, t1 = double(r.y + r.height) / resources.textureHeight;
    glBegin(GL_QUADS);
    glTexCoord2d(s0, t0);
    glVertex2i(r.x, r.y);
    glTexCoord2d(s1, t0);
    glVertex2i(r.x + r.width, r.y);
    glTexCoord2d(s1, t1);
    glVertex2i(r.x + r.width, r.y + r.height);
    glTexCoord2d(s0, t1);
    glVertex2i(r.x, r.y + r.height);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    gl->glUseProgram(GLuint(previousProgram));
    gl->glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl->glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();
}

void AtomPainter::drawBonds(const AtomicRenderer::AtomGeometry &geometry)
{
    ContextResources &resources = ContextResources::of(QOpenGLContext::currentContext());
    QOpenGLFunctions *gl = resources.gl;
    auto found = resources.bondBuffers.find(id);
    if (found == resources.bondBuffers.end()) {
        GLuint buffer = 0;
        gl->glGenBuffers(1, &buffer);
        found = resources.bondBuffers.emplace(id, ContextResources::Buffer{buffer, 0}).first;
    }
    ContextResources::Buffer &buffer = found->second;
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer.id);
    if (buffer.revision != geometry.revision) {
        gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(geometry.bondLines.size() * sizeof(float)),
                         geometry.bondLines.data(), GL_STATIC_DRAW);
        buffer.revision = geometry.revision;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisable(GL_LIGHTING);
    glColor3ubv(AtomicRenderer::bondColor);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    const std::size_t vertices = geometry.bondLines.size() / 3;
    for (std::size_t first = 0; first < vertices; first += verticesPerDrawCall)
        glDrawArrays(GL_LINES, GLint(first), GLsizei(std::min(verticesPerDrawCall, vertices - first)));
    glPopClientAttrib();
    glPopAttrib();
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

} // namespace Automaton
} // namespace Model
