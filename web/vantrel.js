// The Vantrel scan service from a web page: list the PC's scanners, scan, take the pages as they
// arrive, cancel. A dependency-free ES module; the page's origin must be allowed by the service
// (vantrel-service --allow-origin ORIGIN).
//
//   import { connect } from "./vantrel.js";
//   const vantrel = connect();                       // http://127.0.0.1:52970 by default
//   const sources = await vantrel.sources();
//   const job = await vantrel.scan({ feeder: true, duplex: true, colorMode: "gray", resolution: 300 });
//   for await (const page of job.pages()) show(URL.createObjectURL(page));

export class VantrelError extends Error {
  constructor(message, status, condition = null, setting = null) {
    super(message);
    this.name = "VantrelError";
    this.status = status;        // the HTTP status, 0 when the service could not be reached
    this.condition = condition;  // the TWAIN condition code the source reported (10: TWCC_BADVALUE, ...), or null
    this.setting = setting;      // the setting or capability refused ("resolution", "ICAP_XRESOLUTION"), or null
  }
}

async function failure(response) {
  let body = {};
  try { body = await response.json(); } catch { /* not JSON: the status says enough */ }
  return new VantrelError(body.error || `The service answered ${response.status}.`, response.status, body.condition ?? null,
                          body.setting ?? null);
}

async function request(url, options) {
  try {
    return await fetch(url, options);
  } catch {
    throw new VantrelError(`The scan service at ${new URL(url).origin} cannot be reached, or does not allow this page's origin.`, 0);
  }
}

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

class ScanJob {
  constructor(base, id) {
    this.base = base;
    this.id = id;
  }

  // Each page as a Blob (image/jpeg or image/png) as soon as the scanner has it.
  async *pages() {
    for (;;) {
      const response = await request(`${this.base}/api/scans/${this.id}/next`);
      if (response.status === 200) {
        yield await response.blob();
      } else if (response.status === 503) {
        await pause(1000 * Number(response.headers.get("Retry-After") || 1));
      } else if (response.status === 404) {
        const state = await this.state();
        if (state.state === "failed") throw new VantrelError(state.error, 200, state.condition);
        return;
      } else {
        throw await failure(response);
      }
    }
  }

  // { id, state: "scanning" | "completed" | "cancelled" | "failed", pages, error, condition }; after a batch with a
  // clean-up step also cleanup: [{ scanned, kept, page, ink, skew, by: { blank, deskew, crop: "ours" | "source" } }],
  // every page scanned (page: its number among those stored, when kept; ink where measured; skew unless the source
  // deskewed)
  async state() {
    const response = await request(`${this.base}/api/scans/${this.id}`);
    if (!response.ok) throw await failure(response);
    return response.json();
  }

  async cancel() {
    const response = await request(`${this.base}/api/scans/${this.id}`, { method: "DELETE" });
    if (!response.ok) throw await failure(response);
  }
}

class Vantrel {
  constructor(base) {
    this.base = base.replace(/\/+$/, "");
  }

  // [{ source, name, manufacturer, flatbed, feeder, duplex, colorModes, resolutions, formats }]
  async sources() {
    const response = await request(`${this.base}/api/sources`);
    if (!response.ok) throw await failure(response);
    return response.json();
  }

  // settings: { source, feeder, duplex, colorMode: "bw" | "gray" | "color", resolution, format, paperSize, pages,
  //   jpegQuality, and the clean-up: blankPages: "keep" | "skip", blankThreshold (percent), deskew, cropBorders,
  //   despeckle (pixels), binarize: "" | "adaptive" | "otsu", cleanupBy: "auto" | "source" | "ours",
  //   capabilities: { ICAP_BRIGHTNESS: 100, CAP_AUTOFEED: true, ICAP_PIXELFLAVOR: "TWPF_CHOCOLATE" } }
  // Capabilities by their TWAIN names are set last, in the order given: a number, true/false for a
  // TW_BOOL, a constant's name, text for a string. A refusal throws a VantrelError with the
  // engine's message, the setting and the source's condition code.
  async scan(settings = {}) {
    const response = await request(`${this.base}/api/scans`, {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(settings),
    });
    if (response.status !== 201) throw await failure(response);
    return new ScanJob(this.base, (await response.json()).id);
  }
}

export function connect(base = "http://127.0.0.1:52970") {
  return new Vantrel(base);
}
