'use strict';
// Polls the status every second and shows it; reads only, sends nothing but GET.
(function () {
  const token = new URLSearchParams(location.search).get('token') || '';
  const $ = (id) => document.getElementById(id);
  const readingNames = {
    voltage_mV: 'Voltage (mV)', current_mA: 'Current (mA)', charge_mAh: 'Charge (mAh)',
    energy_mWh: 'Energy (mWh)', time_s: 'Time (s)', dplus_mV: 'D+ voltage (mV)',
    dminus_mV: 'D- voltage (mV)'
  };
  let lastGood = null;
  let stepsKey = '';
  let eventsKey = '';

  function pad(n) { return String(n).padStart(2, '0'); }
  function hms(s) {
    s = Math.max(0, Math.floor(s));
    return pad(Math.floor(s / 3600)) + ':' + pad(Math.floor(s / 60) % 60) + ':' + pad(s % 60);
  }
  function clock(d) { return pad(d.getHours()) + ':' + pad(d.getMinutes()) + ':' + pad(d.getSeconds()); }
  function text(id, value) { const e = $(id); if (e.textContent !== String(value)) e.textContent = value; }
  function el(tag, cls, content) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (content !== undefined) e.textContent = content;
    return e;
  }

  function levelColour(left, right) {
    if (!left && !right) return '#eeeeee';
    const hue = Math.round(210 - 150 * left / Math.max(1, left + right));
    const light = 85 - 3 * Math.max(left, right);
    return 'hsl(' + hue + ', 65%, ' + light + '%)';
  }

  function drawTimeline(s) {
    const box = $('timeline');
    const key = JSON.stringify(s.steps);
    if (key !== stepsKey) {
      stepsKey = key;
      box.querySelectorAll('.step').forEach((e) => e.remove());
      s.steps.forEach((st, i) => {
        const d = el('div', 'step');
        d.style.flexGrow = String(st.duration_s);
        d.style.flexBasis = '0';
        d.style.background = levelColour(st.left, st.right);
        d.title = 'Step ' + pad(i) + ': ' + hms(st.duration_s) + ', left ' + st.left + ', right ' + st.right;
        for (const dev of ['laser', 'vacuum', 'signal']) {
          if (st[dev]) d.appendChild(el('div', 'stripe ' + dev));
        }
        if (st.duration_s > 0) box.appendChild(d);
        d.dataset.step = String(i);
      });
    }
    box.querySelectorAll('.step').forEach((d) => {
      d.classList.toggle('current', Number(d.dataset.step) === s.step);
    });
    const share = s.length_s > 0 ? Math.min(1, s.elapsed_s / s.length_s) : 0;
    $('now').style.left = (share * 100).toFixed(2) + '%';
  }

  // The plots are SVG, so that their scales are text at the size shown; built with the DOM, as
  // the page's policy allows no inline script or style.
  function svgEl(tag, attrs, content) {
    // The plots' own namespace: the page names no address outside itself.
    const e = document.createElementNS($('voltageChart').namespaceURI, tag);
    for (const [name, value] of Object.entries(attrs)) {
      e.setAttribute(name, typeof value === 'number' ? String(Math.round(value * 10) / 10) : value);
    }
    if (content !== undefined) e.textContent = content;
    return e;
  }

  // 1, 2 or 5 times a power of ten, cutting span into about count parts.
  function niceStep(span, count) {
    const raw = span / count;
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    const m = raw / power;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * power;
  }

  // Round ticks around the values; a flat line still gets a few units above and below it.
  function valueScale(nums) {
    let lo = Math.min(...nums), hi = Math.max(...nums);
    const least = Math.max(4, Math.abs(hi + lo) / 2 * 0.02);
    if (hi - lo < least) {
      const mid = (hi + lo) / 2;
      lo = mid - least / 2;
      hi = mid + least / 2;
      // Readings that are never negative are not drawn above a negative axis.
      if (Math.min(...nums) >= 0 && lo < 0) { hi -= lo; lo = 0; }
    }
    const step = niceStep(hi - lo, 4);
    const decimals = Math.max(0, -Math.floor(Math.log10(step) + 1e-9));
    lo = Math.floor(lo / step) * step;
    hi = Math.ceil(hi / step) * step;
    const ticks = [];
    // Rounded to the labels' decimals, so that no tick reads -0.0 or 0.30000000000000004.
    for (let k = 0; lo + k * step <= hi + step / 2; ++k) ticks.push(Number((lo + k * step).toFixed(decimals)));
    return { lo, hi, ticks, decimals };
  }

  const kSpanS = 600;
  // Samples further apart than this have nothing known between them: the line breaks there.
  const kGapS = 5;

  // The scale of one plot and its labels; none without a reading in the span.
  function plotScale(times, values, unit) {
    const end = times.length ? times[times.length - 1] : 0;
    const nums = values.filter((v, i) => v !== null && v !== undefined && end - times[i] < kSpanS);
    if (!nums.length) return { end, scale: null, labels: [] };
    const scale = valueScale(nums);
    return { end, scale, labels: scale.ticks.map((v) => v.toFixed(scale.decimals) + ' ' + unit) };
  }

  // left: where the plot area begins, the same for both plots so that their times line up.
  function drawPlot(id, times, values, { end, scale, labels }, left) {
    const svg = $(id);
    const box = svg.getBoundingClientRect();
    const width = Math.max(240, Math.round(box.width) || 600);
    const height = Math.max(100, Math.round(box.height) || 150);
    svg.setAttribute('viewBox', '0 0 ' + width + ' ' + height);
    svg.textContent = '';
    const top = 8, bottom = height - 22, right = width - 12;
    const x = (t) => right - (end - t) * (right - left) / kSpanS;

    // The time axis: a line each minute, labelled as far apart as the width allows.
    const perMinute = (right - left) / (kSpanS / 60);
    const labelEvery = [1, 2, 5].find((m) => m * perMinute >= 52) || 10;
    for (let m = kSpanS / 60; m >= 0; --m) {
      const gx = right - m * perMinute;
      svg.appendChild(svgEl('line', { class: 'grid', x1: gx, x2: gx, y1: top, y2: bottom }));
      if (m % labelEvery === 0) {
        const anchor = m === 0 ? 'end' : 'middle';
        svg.appendChild(svgEl('text', { class: 'time', x: gx, y: height - 6, 'text-anchor': anchor },
          m === 0 ? 'now' : '-' + m + ' min'));
      }
    }
    svg.appendChild(svgEl('line', { class: 'axis', x1: left, x2: right, y1: bottom, y2: bottom }));
    if (!scale) {
      svg.appendChild(svgEl('text', { class: 'none', x: (left + right) / 2, y: (top + bottom) / 2,
        'text-anchor': 'middle' }, 'no reading'));
      return;
    }
    const y = (v) => bottom - (v - scale.lo) * (bottom - top) / (scale.hi - scale.lo);
    scale.ticks.forEach((v, k) => {
      svg.appendChild(svgEl('line', { class: 'grid', x1: left, x2: right, y1: y(v), y2: y(v) }));
      svg.appendChild(svgEl('text', { class: 'value', x: left - 4, y: y(v), dy: '0.35em',
        'text-anchor': 'end' }, labels[k]));
    });

    // One line for each run of readings: nothing where there was none, never a line to 0.
    let run = [];
    let last = null;
    const flush = () => {
      if (run.length === 1) {
        svg.appendChild(svgEl('circle', { class: 'dot', cx: run[0][0], cy: run[0][1], r: 2 }));
      } else if (run.length > 1) {
        const d = run.map(([px, py], k) => (k ? 'L' : 'M') + px.toFixed(1) + ' ' + py.toFixed(1));
        svg.appendChild(svgEl('path', { class: 'line', d: d.join(' ') }));
      }
      run = [];
    };
    values.forEach((v, i) => {
      if (end - times[i] >= kSpanS) return;
      if (v === null || v === undefined || (last !== null && times[i] - last > kGapS)) flush();
      if (v !== null && v !== undefined) {
        run.push([x(times[i]), y(v)]);
        last = times[i];
      }
    });
    flush();
  }

  let lastChart = {};
  function drawCharts(chart) {
    lastChart = chart;
    const times = chart.epoch_s || [];
    const voltage = chart.voltage_mV || [], current = chart.current_mA || [];
    const voltageScale = plotScale(times, voltage, 'mV'), currentScale = plotScale(times, current, 'mA');
    const widest = Math.max(6, ...voltageScale.labels.concat(currentScale.labels).map((l) => l.length));
    const left = 12 + 6.5 * widest;
    drawPlot('voltageChart', times, voltage, voltageScale, left);
    drawPlot('currentChart', times, current, currentScale, left);
  }
  // The plots are drawn at the size they are shown at, so that their text stays legible.
  window.addEventListener('resize', () => drawCharts(lastChart));

  function latest(value, unit) {
    return value === null || value === undefined || value === '' ? '-' : value + ' ' + unit;
  }

  function show(s) {
    document.body.classList.remove('offline');
    $('offline').hidden = true;
    text('program', s.program || '(no program file)');
    text('state', s.state);
    text('cycle', s.cycling ? 'cycle ' + s.cycle : '');
    text('step', s.step >= 40 ? 'end' : pad(s.step));
    text('countdown', s.step >= 40 ? 'ended' : hms(s.step_remaining_s));
    text('toEnd', hms(s.length_s - s.elapsed_s));
    drawTimeline(s);

    const table = $('readings');
    // In the panel's order, whatever order the JSON keeps.
    const rows = Object.keys(readingNames).filter((name) => name in (s.readings || {}));
    if (table.rows.length !== rows.length) {
      table.textContent = '';
      rows.forEach((name) => {
        const tr = table.insertRow();
        tr.insertCell().textContent = readingNames[name] || name;
        tr.insertCell().id = 'reading_' + name;
      });
    }
    rows.forEach((name) => text('reading_' + name, s.readings[name] == null || s.readings[name] === '' ? '-' : s.readings[name]));

    for (const [relay, caption] of [['laser', 'Laser'], ['vacuum', 'Vacuum pump']]) {
      const v = s.relays[relay];
      $(relay).className = v === 'closed' ? 'on' : v === 'open' ? 'off' : '';
      text(relay, caption + ' ' + v);
    }
    $('signal').className = s.signal ? 'on' : 'off';
    text('signal', 'Signal ' + (s.signal ? 'on' : 'off'));
    text('left', s.pumps.left);
    text('right', s.pumps.right);
    text('clip', s.pumps.clip);
    for (const [id, v] of [['relayBoard', s.boards.relay], ['measuringBoard', s.boards.measuring]]) {
      text(id, v);
      $(id).className = v === 'lost' ? 'lost' : '';
    }
    const readings = s.readings || {};
    text('voltageNow', latest(readings.voltage_mV, 'mV'));
    text('currentNow', latest(readings.current_mA, 'mA'));
    drawCharts(s.chart || {});

    // Drawn afresh from the snapshot, which holds each event once, and only when they change.
    const shown = (s.events || []).slice(-20);
    const key = JSON.stringify(shown);
    if (key !== eventsKey) {
      eventsKey = key;
      const list = $('events');
      list.textContent = '';
      shown.reverse().forEach((e) => {
        const when = (e.wall_time || '').slice(11, 19);
        const step = pad(e.step || 0);
        const what = e.event === 'step' ? 'step ' + step + ' began'
          : e.event + (e.detail ? ': ' + e.detail : '') + ' (step ' + step + ')';
        list.appendChild(el('li', '', when + '  ' + what));
      });
    }
    text('updated', (s.updated || '').replace('T', ' '));
  }

  function offline() {
    document.body.classList.add('offline');
    $('offline').hidden = false;
    text('offline', 'no connection since ' + clock(lastGood || new Date()));
  }

  async function refresh() {
    let s;
    // A program that hangs answers nothing: after a few seconds that counts as gone.
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), 5000);
    try {
      const r = await fetch('/status.json', {
        headers: { Authorization: 'Bearer ' + token }, cache: 'no-store', signal: abort.signal
      });
      if (!r.ok) throw new Error(String(r.status));
      s = await r.json();
    } catch (e) {
      offline();
      return;
    } finally {
      clearTimeout(timer);
    }
    lastGood = new Date();
    show(s);
  }

  async function poll() {
    try {
      await refresh();
    } finally {
      setTimeout(poll, 1000);
    }
  }
  poll();
})();
