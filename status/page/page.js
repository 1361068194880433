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

  function drawChart(chart) {
    const c = $('chart');
    const g = c.getContext('2d');
    g.clearRect(0, 0, c.width, c.height);
    const t = chart.epoch_s || [];
    if (!t.length) return;
    const end = t[t.length - 1];
    const series = [[chart.voltage_mV, '#2e7d32'], [chart.current_mA, '#6a1b9a']];
    for (const [values, colour] of series) {
      const nums = values.filter((v) => v !== null);
      if (!nums.length) continue;
      let lo = Math.min(...nums), hi = Math.max(...nums);
      if (hi === lo) { hi += 1; lo -= 1; }
      g.strokeStyle = colour;
      g.lineWidth = 2;
      g.beginPath();
      let drawing = false;
      values.forEach((v, i) => {
        if (v === null) { drawing = false; return; }
        const x = c.width - (end - t[i]) * c.width / 600;
        const y = c.height - 5 - (v - lo) * (c.height - 10) / (hi - lo);
        if (drawing) g.lineTo(x, y); else g.moveTo(x, y);
        drawing = true;
      });
      g.stroke();
    }
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
    drawChart(s.chart || {});

    const list = $('events');
    list.textContent = '';
    (s.events || []).slice(-20).reverse().forEach((e) => {
      const when = (e.wall_time || '').slice(11, 19);
      const step = pad(e.step || 0);
      const what = e.event === 'step' ? 'step ' + step + ' began'
        : e.event + (e.detail ? ': ' + e.detail : '') + ' (step ' + step + ')';
      list.appendChild(el('li', '', when + '  ' + what));
    });
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
