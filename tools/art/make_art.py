#!/usr/bin/python3
"""Draws ZiRuri's artwork and writes it into the source tree.

Run it after changing the design: /usr/bin/python3 tools/art/make_art.py
It needs Debian's python3-pil, fonts-wqy-microhei and fonts-dejavu-core. Its outputs are
committed, so a build never runs it:

  src/ui/res/background.jpg        the default 800x600 background carried in the exe
  src/ui/res/*.bmp                 24-bit button bitmaps; olive (128,128,0) is transparent
  src/ui/res/ZiRuri.ico            the application icon
  data/Res/main.jpg                the background the program loads from its data folder
  data/Res/wait.gif                the animation shown while a disk is being made
  data/Res/index.htm               the offline start page

The window lays its controls over the background at fixed places, so the picture leaves
room for them; the numbers below are those places.
"""

import math
import pathlib
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = pathlib.Path(__file__).resolve().parents[2]
RES = ROOT / "src" / "ui" / "res"
DATA = ROOT / "data" / "Res"

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

WIDTH, HEIGHT = 800, 600
OLIVE = (128, 128, 0)
SS = 4  # supersampling factor for smooth shapes

# Where the window puts its controls (client pixels: left, top, width, height).
WEB_VIEW = (38, 112, 723, 338)
WIDE_BUTTONS = {"make": (176, 508), "config": (332, 508), "clean": (488, 508)}
WIDE_SIZE = (135, 30)
CLOSE_BUTTON = (767, 4, 29, 29)
MIN_BUTTON = (737, 4, 28, 29)
DISK_LIST = (189, 480, 425, 20)
WAIT_IMAGE = (264, 544, 25, 17)

# Calm blues, one green accent for the main action.
HEADER_LEFT = (27, 73, 115)
HEADER_RIGHT = (39, 101, 154)
BODY_TOP = (244, 247, 251)
BODY_BOTTOM = (226, 234, 243)
HEADER_HEIGHT = 100
BAND_TOP = 541
BAND = (34, 54, 74)
BAND_LINE = (58, 84, 110)
INK = (43, 61, 79)


def font(path, size):
    return ImageFont.truetype(path, size)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def gradient(size, top, bottom, horizontal=False):
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    span = (w if horizontal else h) - 1 or 1
    for y in range(h):
        for x in range(w):
            px[x, y] = lerp(top, bottom, (x if horizontal else y) / span)
    return img


def header_colour(x, y):
    """The header's colour at a point, for blending the buttons that sit on it."""
    base = lerp(HEADER_LEFT, HEADER_RIGHT, x / (WIDTH - 1))
    return lerp(base, (255, 255, 255), 0.04 * (1 - y / HEADER_HEIGHT))


def rounded_mask(size, box, radius):
    """An anti-aliased rounded-rectangle mask drawn at SS times and reduced."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    x0, y0, x1, y1 = box
    ImageDraw.Draw(big).rounded_rectangle(
        (x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1), radius * SS, fill=255)
    return big.resize(size, Image.LANCZOS)


def usb_glyph(size, colour):
    """A flash disk seen from the side: body, connector and two contact windows."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    s = w * SS / 56.0
    d.rounded_rectangle((6 * s, 18 * s, 38 * s, 40 * s), 5 * s, fill=colour)
    d.rectangle((38 * s, 22 * s, 52 * s, 36 * s), outline=colour, width=max(1, round(3 * s)))
    d.rectangle((43 * s, 26 * s, 46 * s, 28 * s), fill=colour)
    d.rectangle((43 * s, 30 * s, 46 * s, 32 * s), fill=colour)
    return big.resize(size, Image.LANCZOS)


def logo(size):
    """The application mark: a rounded tile with the flash disk on it."""
    w, h = size
    tile = Image.new("RGBA", size, (0, 0, 0, 0))
    fill = gradient(size, (77, 171, 120), (38, 128, 88))
    tile.paste(fill, (0, 0), rounded_mask(size, (0, 0, w, h), max(2, w // 6)))
    glyph = usb_glyph(size, (255, 255, 255, 255))
    return Image.alpha_composite(tile, glyph)


def draw_text(img, xy, text, fnt, fill, anchor="la"):
    ImageDraw.Draw(img).text(xy, text, font=fnt, fill=fill, anchor=anchor)


def background():
    img = gradient((WIDTH, HEIGHT), BODY_TOP, BODY_BOTTOM)

    # Header with the product name.
    header = Image.new("RGB", (WIDTH, HEADER_HEIGHT))
    hp = header.load()
    for y in range(HEADER_HEIGHT):
        for x in range(WIDTH):
            hp[x, y] = header_colour(x, y)
    img.paste(header, (0, 0))
    d = ImageDraw.Draw(img)
    d.line((0, HEADER_HEIGHT, WIDTH, HEADER_HEIGHT), fill=(20, 55, 88))
    d.line((0, HEADER_HEIGHT + 1, WIDTH, HEADER_HEIGHT + 1), fill=(210, 222, 235))
    mark = logo((54, 54))
    img.paste(mark, (30, 23), mark)
    draw_text(img, (98, 18), "ZiRuri", font(LATIN_BOLD, 32), (255, 255, 255))
    draw_text(img, (100, 60), "U盘启动盘  一键制作", font(CJK_FONT, 17), (205, 224, 243))
    draw_text(img, (WIDTH - 24, 72), "插上U盘  ·  选中它  ·  点一下", font(CJK_FONT, 13),
              (160, 193, 224), anchor="ra")

    # A soft shadow and a thin frame around the web view.
    x, y, w, h = WEB_VIEW
    shadow = Image.new("L", (WIDTH, HEIGHT), 0)
    ImageDraw.Draw(shadow).rectangle((x - 1, y + 1, x + w, y + h + 2), fill=70)
    shadow = shadow.filter(ImageFilter.GaussianBlur(5))
    img.paste((120, 140, 165), (0, 0), shadow)
    d = ImageDraw.Draw(img)
    d.rectangle((x - 1, y - 1, x + w, y + h), outline=(169, 188, 207), fill=(255, 255, 255))

    # The disk list's caption, left of the list.
    lx, ly, _, lh = DISK_LIST
    draw_text(img, (lx - 8, ly + lh // 2), "选择U盘：", font(CJK_FONT, 13), INK, anchor="rm")

    # Status band: the wait animation and its white caption sit on it while a disk is made.
    d.rectangle((0, BAND_TOP, WIDTH, HEIGHT), fill=BAND)
    d.line((0, BAND_TOP, WIDTH, BAND_TOP), fill=BAND_LINE)
    hint = font(CJK_FONT, 12)
    draw_text(img, (24, 580), "提示：制作启动盘会清除U盘上的全部数据，请先备份重要文件。", hint,
              (150, 172, 194), anchor="lm")
    draw_text(img, (WIDTH - 24, 580), "ZiRuri", font(LATIN_BOLD, 12), (120, 146, 172),
              anchor="rm")
    return img


def compose_button(bg_crop, layer):
    """Lays an RGBA button over the background it will sit on; pixels the button does not
    touch become olive, so the window's own background shows through them."""
    out = Image.alpha_composite(bg_crop.convert("RGBA"), layer).convert("RGB")
    alpha = layer.getchannel("A").load()
    px = out.load()
    w, h = out.size
    for yy in range(h):
        for xx in range(w):
            if alpha[xx, yy] == 0:
                px[xx, yy] = OLIVE
            elif px[xx, yy] == OLIVE:
                px[xx, yy] = (129, 128, 0)
    return out


def wide_button(top, bottom, border, highlight):
    w, h = WIDE_SIZE
    layer = Image.new("RGBA", WIDE_SIZE, (0, 0, 0, 0))
    outer = rounded_mask(WIDE_SIZE, (0, 0, w, h), 5)
    inner = rounded_mask(WIDE_SIZE, (1, 1, w - 1, h - 1), 4)
    layer.paste(Image.new("RGBA", WIDE_SIZE, border + (255,)), (0, 0), outer)
    fill = gradient(WIDE_SIZE, top, bottom).convert("RGBA")
    layer.paste(fill, (0, 0), inner)
    ImageDraw.Draw(layer).line((4, 1, w - 5, 1), fill=highlight + (255,))
    layer.putalpha(outer)
    return layer


def glyph_canvas(size, backing):
    """A supersampled transparent canvas for a caption-bar glyph, on its rounded backing."""
    w, h = size
    big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    if backing:
        d.rounded_rectangle((1 * SS, 1 * SS, (w - 1) * SS - 1, (h - 1) * SS - 1), 4 * SS,
                            fill=backing)
    return big, d


def cross(size, colour, backing=None):
    big, d = glyph_canvas(size, backing)
    a, b = 10 * SS, (size[0] - 10) * SS
    d.line((a, a, b, b), fill=colour, width=2 * SS)
    d.line((a, b, b, a), fill=colour, width=2 * SS)
    return big.resize(size, Image.LANCZOS)


def dash(size, colour, backing=None):
    big, d = glyph_canvas(size, backing)
    d.rectangle((9 * SS, 17 * SS, (size[0] - 9) * SS - 1, 19 * SS - 1), fill=colour)
    return big.resize(size, Image.LANCZOS)


def crop(img, x, y, w, h):
    return img.crop((x, y, x + w, y + h))


def buttons(bg):
    out = {}
    styles = {
        # the main action in green, the two others in blue
        "make": (((70, 176, 122), (40, 134, 92), (27, 99, 67), (128, 208, 166)),
                 ((86, 196, 140), (48, 152, 104), (31, 112, 76), (150, 222, 184))),
        "wide": (((63, 138, 204), (35, 99, 160), (25, 75, 124), (116, 172, 224)),
                 ((80, 158, 222), (44, 118, 182), (30, 88, 140), (138, 192, 238))),
    }
    disabled = ((182, 191, 201), (155, 166, 178), (132, 143, 155), (210, 216, 223))
    for name, (x, y) in WIDE_BUTTONS.items():
        normal, hot = styles["make" if name == "make" else "wide"]
        under = crop(bg, x, y, *WIDE_SIZE)
        out[f"{name}_normal"] = compose_button(under, wide_button(*normal))
        out[f"{name}_hot"] = compose_button(under, wide_button(*hot))
        out[f"{name}_disabled"] = compose_button(under, wide_button(*disabled))

    x, y, w, h = CLOSE_BUTTON
    under = crop(bg, x, y, w, h)
    out["close_normal"] = compose_button(under, cross((w, h), (255, 255, 255, 235)))
    out["close_hot"] = compose_button(
        under, cross((w, h), (255, 255, 255, 255), backing=(214, 69, 65, 255)))
    out["close_disabled"] = compose_button(under, cross((w, h), (118, 150, 182, 255)))

    x, y, w, h = MIN_BUTTON
    under = crop(bg, x, y, w, h)
    lighter = lerp(header_colour(x + w // 2, y + h // 2), (255, 255, 255), 0.2) + (255,)
    out["min_normal"] = compose_button(under, dash((w, h), (255, 255, 255, 235)))
    out["min_hot"] = compose_button(under, dash((w, h), (255, 255, 255, 255), backing=lighter))
    return out


def wait_animation():
    """Three dots that light up in turn, on the status band's colour. The palette runs from
    the band (index 0, transparent) to the brightest dot colour, so dot edges blend into
    the band exactly."""
    w, h = WAIT_IMAGE[2], WAIT_IMAGE[3]
    bright = (143, 211, 255)
    palette = [BAND]
    for i in range(1, 256):
        palette.append(lerp(BAND, bright, i / 255))
    flat = [c for rgb in palette for c in rgb]

    centres = (4.5, 12.5, 20.5)
    coverage = []
    for cx in centres:
        big = Image.new("L", (w * SS, h * SS), 0)
        r = 3.2 * SS
        cy = h * SS / 2
        ImageDraw.Draw(big).ellipse((cx * SS - r, cy - r, cx * SS + r, cy + r), fill=255)
        coverage.append(big.resize((w, h), Image.LANCZOS).load())

    frames = []
    steps = 12
    for f in range(steps):
        frame = Image.new("P", (w, h), 0)
        frame.putpalette(flat)
        px = frame.load()
        for i in range(len(centres)):
            wave = 0.5 + 0.5 * math.cos(2 * math.pi * (f / steps - i / 6.0))
            level = 0.3 + 0.7 * wave * wave
            for yy in range(h):
                for xx in range(w):
                    c = coverage[i][xx, yy] / 255.0
                    if c < 0.1:
                        continue
                    px[xx, yy] = max(px[xx, yy], max(1, round(255 * c * level)))
        frames.append(frame)
    return frames, palette


START_PAGE = """<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<title>ZiRuri 使用说明</title>
<style>
html, body { margin: 0; padding: 0; overflow: hidden; }
body { width: 723px; height: 338px; background: #ffffff; color: #2b3d4f;
       font: 12px/1.65 "Microsoft YaHei", "微软雅黑", "SimSun", "宋体", sans-serif; }
.hero { height: 58px; padding: 12px 24px 0 24px; background: #eef5fc;
        border-bottom: 1px solid #d5e3f0; }
h1 { margin: 0; font-size: 19px; font-weight: normal; color: #1f4e79; }
.hero p { margin: 3px 0 0 0; color: #5a7188; }
.cols { padding: 14px 24px 0 24px; height: 214px; }
.col { float: left; width: 203px; margin-right: 33px; }
.col.last { margin-right: 0; }
h2 { margin: 0 0 7px 0; padding-left: 8px; font-size: 13px; font-weight: bold;
     color: #1f4e79; border-left: 3px solid #2f9e6e; line-height: 15px; }
ol, ul { margin: 0; padding-left: 18px; }
li { margin: 0 0 4px 0; }
p { margin: 0 0 5px 0; }
b { color: #23805a; font-weight: normal; }
.foot { clear: both; margin: 0 24px; padding-top: 7px; border-top: 1px dashed #d5e3f0;
        color: #8a9bad; font-size: 11px; }
</style>
</head>
<body>
<div class="hero">
  <h1>欢迎使用 ZiRuri U盘启动盘制作工具</h1>
  <p>插上U盘，点一下按钮，普通U盘就变成能启动电脑的系统维护盘。</p>
</div>
<div class="cols">
  <div class="col">
    <h2>三步完成制作</h2>
    <ol>
      <li>插入U盘，在下方列表中选中它。列表每 2 秒自动刷新。</li>
      <li>选择启动模式：一般电脑选 <b>USB-HDD</b>，较老的电脑可选 <b>USB-ZIP</b>。</li>
      <li>点击“<b>一键制成USB启动盘</b>”，确认后稍等片刻，看到“制作完成”即可。</li>
    </ol>
  </div>
  <div class="col">
    <h2>自定义启动项</h2>
    <p>点击“<b>U盘启动项配置</b>”，可以把自己的 ISO 光盘镜像或 IMG 软盘镜像加入启动菜单。</p>
    <ul>
      <li>镜像在下次制作时一并复制到U盘。</li>
      <li>在列表中再次单击菜单名称即可改名。</li>
    </ul>
  </div>
  <div class="col last">
    <h2>注意事项</h2>
    <ul>
      <li>制作会清除U盘上的全部数据，请先备份。</li>
      <li>制作过程中请不要拔出U盘，也不要退出本程序。</li>
      <li>想让U盘恢复全部空间时，点击“<b>归还U盘空间</b>”。</li>
      <li>本程序需要以管理员身份运行。</li>
    </ul>
  </div>
</div>
<div class="foot">这是离线说明页；电脑联网时，这里显示 ZiRuri 主页。</div>
</body>
</html>
"""


def check_wait_gif(path, expected, palette):
    """Decodes the written GIF again and compares every frame, so a change in how Pillow
    writes animations cannot slip into the product unnoticed."""
    with Image.open(path) as gif:
        for i, want in enumerate(expected):
            gif.seek(i)
            got = gif.convert("RGBA").load()
            idx = want.load()
            for yy in range(want.size[1]):
                for xx in range(want.size[0]):
                    rgba = got[xx, yy]
                    if idx[xx, yy] == 0:
                        ok = rgba[3] == 0
                    else:
                        ok = rgba == palette[idx[xx, yy]] + (255,)
                    if not ok:
                        sys.exit(f"wait.gif frame {i} differs at {xx},{yy}")


def main():
    RES.mkdir(parents=True, exist_ok=True)
    DATA.mkdir(parents=True, exist_ok=True)

    bg = background()
    jpeg = dict(quality=92, subsampling=0, optimize=True)
    bg.save(RES / "background.jpg", **jpeg)
    bg.save(DATA / "main.jpg", **jpeg)

    for name, img in buttons(bg).items():
        img.save(RES / f"btn_{name}.bmp")

    icon = logo((256, 256))
    icon.save(RES / "ZiRuri.ico", sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (256, 256)])

    frames, palette = wait_animation()
    frames[0].save(DATA / "wait.gif", save_all=True, append_images=frames[1:], duration=90,
                   loop=0, transparency=0, disposal=1, optimize=False)
    check_wait_gif(DATA / "wait.gif", frames, palette)

    (DATA / "index.htm").write_text(START_PAGE, encoding="utf-8", newline="\r\n")


if __name__ == "__main__":
    main()
