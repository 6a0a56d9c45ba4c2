#pragma once
// The browser build's GL. Emscripten draws fixed-function GL on WebGL
// (-sLEGACY_GL_EMULATION), but some of what the game uses is missing there
// (display lists, the attribute stack, parts of the lighting model, GLU's
// mipmaps and image scaling), throws (polygons and quad strips, a normal
// outside glBegin, reading GL_RGB pixels) or does something else (gluLookAt,
// gluPerspective, 32-bit element indices, GL_COLOR_MATERIAL, lines wider than
// a pixel). This header is included before every source file of the browser
// build: the calls below go to the web GL layer (web_gl.cpp), which keeps the
// state it needs, fills the gaps and passes the rest on to the emulation.
#include <GL/gl.h>
#include <GL/glu.h>

#ifdef __cplusplus
extern "C" {
#endif

// Display lists, recorded as command lists and replayed.
GLuint webGlGenLists(GLsizei range);
void webGlNewList(GLuint list, GLenum mode);
void webGlEndList(void);
void webGlCallList(GLuint list);
void webGlDeleteLists(GLuint list, GLsizei range);

// The attribute stack, for the state the game changes between push and pop.
void webGlPushAttrib(GLbitfield mask);
void webGlPopAttrib(void);

// State the layer keeps: enables, client arrays, colour buffer, lines;
// the hints WebGL does not know are dropped.
void webGlEnable(GLenum cap);
void webGlDisable(GLenum cap);
GLboolean webGlIsEnabled(GLenum cap);
void webGlEnableClientState(GLenum array);
void webGlDisableClientState(GLenum array);
void webGlBlendFunc(GLenum source, GLenum destination);
void webGlColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha);
void webGlDepthMask(GLboolean flag);
void webGlLineWidth(GLfloat width);
void webGlPolygonMode(GLenum face, GLenum mode);
void webGlShadeModel(GLenum mode);
void webGlBindTexture(GLenum target, GLuint texture);
void webGlHint(GLenum target, GLenum mode);

// Lighting: materials (and colour material), the light model.
void webGlLightfv(GLenum light, GLenum name, const GLfloat* values);
void webGlLightModeli(GLenum name, GLint value);
void webGlLightModelf(GLenum name, GLfloat value);
void webGlLightModelfv(GLenum name, const GLfloat* values);
void webGlMaterialf(GLenum face, GLenum name, GLfloat value);
void webGlMaterialfv(GLenum face, GLenum name, const GLfloat* values);

// Immediate mode.
void webGlBegin(GLenum mode);
void webGlEnd(void);
void webGlVertex2f(GLfloat x, GLfloat y);
void webGlVertex3f(GLfloat x, GLfloat y, GLfloat z);
void webGlVertex3fv(const GLfloat* v);
void webGlNormal3f(GLfloat x, GLfloat y, GLfloat z);
void webGlTexCoord2f(GLfloat s, GLfloat t);
void webGlTexCoord2fv(const GLfloat* v);
void webGlColor3f(GLfloat red, GLfloat green, GLfloat blue);
void webGlColor3ub(GLubyte red, GLubyte green, GLubyte blue);
void webGlColor3ubv(const GLubyte* v);
void webGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void webGlColor4fv(const GLfloat* v);
void webGlColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha);
void webGlColor4ubv(const GLubyte* v);

// Vertex arrays.
void webGlVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void webGlNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer);
void webGlTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void webGlDrawArrays(GLenum mode, GLint first, GLsizei count);
void webGlDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices);

// Pixels.
void webGlReadBuffer(GLenum mode);
void webGlReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);

// GLU.
GLint webGluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                           const void* data);
GLint webGluScaleImage(GLenum format, GLint widthIn, GLint heightIn, GLenum typeIn, const void* dataIn,
                       GLint widthOut, GLint heightOut, GLenum typeOut, GLvoid* dataOut);
void webGluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
                  GLdouble upX, GLdouble upY, GLdouble upZ);
void webGluPerspective(GLdouble fovY, GLdouble aspect, GLdouble zNear, GLdouble zFar);

#ifdef __cplusplus
}
#endif

// The layer itself calls the emulation's functions.
#ifndef BURRIK_WEB_GL_LAYER
#define glGenLists webGlGenLists
#define glNewList webGlNewList
#define glEndList webGlEndList
#define glCallList webGlCallList
#define glDeleteLists webGlDeleteLists
#define glPushAttrib webGlPushAttrib
#define glPopAttrib webGlPopAttrib
#define glEnable webGlEnable
#define glDisable webGlDisable
#define glIsEnabled webGlIsEnabled
#define glEnableClientState webGlEnableClientState
#define glDisableClientState webGlDisableClientState
#define glBlendFunc webGlBlendFunc
#define glColorMask webGlColorMask
#define glDepthMask webGlDepthMask
#define glLineWidth webGlLineWidth
#define glPolygonMode webGlPolygonMode
#define glShadeModel webGlShadeModel
#define glBindTexture webGlBindTexture
#define glHint webGlHint
#define glLightfv webGlLightfv
#define glLightModeli webGlLightModeli
#define glLightModelf webGlLightModelf
#define glLightModelfv webGlLightModelfv
#define glMaterialf webGlMaterialf
#define glMaterialfv webGlMaterialfv
#define glBegin webGlBegin
#define glEnd webGlEnd
#define glVertex2f webGlVertex2f
#define glVertex3f webGlVertex3f
#define glVertex3fv webGlVertex3fv
#define glNormal3f webGlNormal3f
#define glTexCoord2f webGlTexCoord2f
#define glTexCoord2fv webGlTexCoord2fv
#define glColor3f webGlColor3f
#define glColor3ub webGlColor3ub
#define glColor3ubv webGlColor3ubv
#define glColor4f webGlColor4f
#define glColor4fv webGlColor4fv
#define glColor4ub webGlColor4ub
#define glColor4ubv webGlColor4ubv
#define glVertexPointer webGlVertexPointer
#define glNormalPointer webGlNormalPointer
#define glTexCoordPointer webGlTexCoordPointer
#define glDrawArrays webGlDrawArrays
#define glDrawElements webGlDrawElements
#define glReadBuffer webGlReadBuffer
#define glReadPixels webGlReadPixels
#define gluBuild2DMipmaps webGluBuild2DMipmaps
#define gluScaleImage webGluScaleImage
#define gluLookAt webGluLookAt
#define gluPerspective webGluPerspective
#endif
